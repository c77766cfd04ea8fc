// The script file watch of --edit: a save counts once, looks keep their spacing (200 ms after a
// folder event, 1 s without one), a file being replaced is looked at again later. Times are the
// ticks passed in; nothing waits.
#include "ScriptFileWatch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "TempDir.h"

namespace {

TEST(ScriptFileWatchTest, NothingIsWatchedWithoutAPath) {
  ScriptFileWatch watch;
  watch.start("");
  EXPECT_FALSE(watch.started());
}

TEST(ScriptFileWatchTest, ASaveCountsOnceAtTheNextDueLook) {
  TempDir dir;
  const std::string path = dir.write("demo.scr", "DEMO_END 1000\n");
  ScriptFileWatch watch;
  watch.start(path);
  ASSERT_TRUE(watch.started());
  watch.setLastLook(1000);
  watch.collectEvents();
  EXPECT_FALSE(watch.saved(3000));  // looked: unchanged

  dir.write("demo.scr", "DEMO_END 2000\n\n");
  watch.collectEvents();             // the folder tells of the write
  EXPECT_FALSE(watch.saved(3199));   // under 200 ms since the last look
  EXPECT_TRUE(watch.saved(3200));
  struct stat info = {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(watch.savedAtNs(), int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec);
  watch.collectEvents();
  EXPECT_FALSE(watch.saved(9000));  // the same save is not reported twice
}

TEST(ScriptFileWatchTest, WithoutAnEventTheFileIsLookedAtEverySecond) {
  TempDir dir;
  const std::string path = dir.write("demo.scr", "a\n");
  ScriptFileWatch watch;
  watch.start(path);
  watch.setLastLook(0);
  dir.write("demo.scr", "abc\n");
  // No collectEvents: the change is only found by the look that comes anyway.
  EXPECT_FALSE(watch.saved(999));
  EXPECT_TRUE(watch.saved(1000));
}

TEST(ScriptFileWatchTest, AFileBeingReplacedIsLookedAtAgainLater) {
  TempDir dir;
  const std::string path = dir.write("demo.scr", "a\n");
  ScriptFileWatch watch;
  watch.start(path);
  watch.setLastLook(0);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_FALSE(watch.saved(5000));
  // An editor's save: a new file renamed over the old name.
  const std::string fresh = dir.write("demo.scr.new", "a longer script\n");
  ASSERT_EQ(std::rename(fresh.c_str(), path.c_str()), 0);
  watch.collectEvents();
  EXPECT_TRUE(watch.saved(5200));
}

}  // namespace
