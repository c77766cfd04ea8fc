// rk17 --capture: frame files, their count and times, and the option errors.
#include "ProgramRun.h"
#include "ShowPack.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

int countFrames(const std::string& dir) {
  int n = 0;
  for (int k = 0;; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", k);
    if (!std::filesystem::exists(dir + name)) return n;
    ++n;
  }
}

TEST(CaptureProgram, WritesOneFileForEachShownFrame) {
  const struct {
    std::vector<std::string> args;
    int frames;
  } cases[] = {
      {{"--fps", "20"}, 3},                     // 0, 50, 100 (the end time, still shown)
      {{"--fps", "20", "--from", "50"}, 2},     // 50, 100
      {{"--fps", "20", "--to", "50"}, 2},       // 0, 50
      {{"--fps", "30"}, 4},                     // 0, 33, 66, 100
      {{"--fps", "20", "--to", "5000"}, 3},     // nothing after the end time is shown
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("data/scripts/demo.scr", "DEMO_END 100\n");
    ASSERT_TRUE(packShowData(dir.path()));
    std::vector<std::string> args = {"--capture", "out"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProgramRun run(ProgramRun::rk17Path(), args, dir.path(), {"SDL_VIDEODRIVER=offscreen"});
    ASSERT_EQ(run.wait(30000), 0) << run.stderrText();
    EXPECT_EQ(countFrames(dir.path() + "/out"), c.frames) << c.args.size();
  }
}

TEST(CaptureProgram, BadOptionsPrintUsageAndExit2) {
  TempDir dir;
  ProgramRun run(ProgramRun::rk17Path(), {"--capture", "out", "--fps", "fast"}, dir.path());
  EXPECT_EQ(run.wait(10000), 2);
  EXPECT_NE(run.stderrText().find("usage: rk17"), std::string::npos) << run.stderrText();
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/out"));
}

}  // namespace
