// The whole program in a temporary folder: its window, its first frames, Escape, and the
// behaviour without a display.
#include "PngRead.h"
#include "ProgramRun.h"
#include "ShowPack.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kTitle = "Velmor Drift - RK17";

bool haveDisplay() {
  const char* d = std::getenv("DISPLAY");
  return d && *d;
}

TEST(WindowProgram, OpensItsWindowShowsAClearedFrameAndEndsOnEscape) {
  if (!haveDisplay()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
  TempDir dir;
  dir.write("data/scripts/demo.scr", "DEMO_END 600000\n");
  ASSERT_TRUE(packShowData(dir.path()));
  ProgramRun run(ProgramRun::rk17Path(), {}, dir.path());
  ASSERT_TRUE(run.started());

  std::string windowId;
  const std::string find = std::string("timeout 20 xdotool search --sync --onlyvisible --name '") + kTitle + "'";
  ASSERT_EQ(runCommand(find, &windowId), 0) << run.stderrText();
  windowId = windowId.substr(0, windowId.find('\n'));
  ASSERT_FALSE(windowId.empty());

  std::string geometry;
  ASSERT_EQ(runCommand("xdotool getwindowgeometry " + windowId, &geometry), 0);
  EXPECT_NE(geometry.find("Position: 0,0"), std::string::npos) << geometry;
  EXPECT_NE(geometry.find("Geometry: 800x600"), std::string::npos) << geometry;

  // Let a few frames pass, then take the screen.
  runCommand("sleep 0.5");
  const std::string shot = dir.path() + "/screen.png";
  ASSERT_EQ(runCommand("import -window root '" + shot + "' 2>/dev/null"), 0);
  if (const char* keep = std::getenv("RK17_KEEP_SCREENSHOTS")) runCommand("cp '" + shot + "' '" + keep + "'");
  int w = 0, h = 0;
  const std::vector<uint8_t> pixels = readPngRgb(shot, &w, &h);
  ASSERT_FALSE(pixels.empty());
  ASSERT_GE(w, 800);
  ASSERT_GE(h, 600);
  // The window sits at the screen's origin and every pixel of its 800 x 600 area is cleared.
  for (int y = 0; y < 600; y += 37)
    for (int x = 0; x < 800; x += 41) {
      const uint8_t* p = &pixels[(size_t(y) * w + x) * 3];
      ASSERT_EQ(p[0] + p[1] + p[2], 0) << "at " << x << "," << y;
    }

  ASSERT_EQ(runCommand("xdotool windowfocus --sync " + windowId + " key Escape"), 0);
  EXPECT_EQ(run.wait(10000), 0) << run.stderrText();
}

TEST(WindowProgram, WithoutADisplayReportsAndExitsWithCode1) {
  TempDir dir;
  dir.write("data/scripts/demo.scr", "DEMO_END 1000\n");
  ProgramRun run(ProgramRun::rk17Path(), {}, dir.path(),
                 {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=", "RK17_NONINTERACTIVE="});
  EXPECT_EQ(run.wait(10000), 1);
  EXPECT_NE(run.stderrText().find("could not register window class"), std::string::npos) << run.stderrText();
  EXPECT_NE(run.stderrText().find("src/demos/DemoEngine.cpp:"), std::string::npos) << run.stderrText();
}

}  // namespace
