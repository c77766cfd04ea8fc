// rk17 --capture: frame files, their count and times, and the option errors.
#include "PngRead.h"
#include "ProgramRun.h"
#include "ShowPack.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <png.h>

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
      {{"--fps", "20"}, 2},                    // 0, 50: the default stops before the end time
      {{"--fps", "20", "--from", "50"}, 1},    // 50
      {{"--fps", "20", "--to", "50"}, 2},      // 0, 50
      {{"--fps", "30"}, 3},                    // 0, 33, 66
      {{"--fps", "20", "--to", "100"}, 3},     // 0, 50, 100: the end time when asked for
      {{"--fps", "20", "--to", "5000"}, 3},    // nothing after the end time is shown
      {{"--fps", "10", "--from", "-200"}, 3},  // -200, -100, 0: before zero too
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

namespace {

// A script's colour keys and an overlay, captured at five times: the sampled pixels follow
// the keys' linear interpolation and the overlay's alpha blending.
TEST(CaptureProgram, FramesShowWhatTheScriptAsksFor) {
  TempDir dir;
  dir.write("data/scripts/demo.scr",
            "DEMO_END 2000\n"
            "__SETUP__\n"
            "INSERT_EFFECT Clear\n"
            "INSERT_EFFECT Image\n"
            "0 s Image Datafile \"data/images/white.png\"\n"
            "__TIMELINE__\n"
            "0 b Clear\n"
            "0 s Clear Red 1\n"
            "1000 s Clear Red 0\n"
            "0 s Clear Blue 0.5\n"
            "0 i Image\n"
            "500 b Image\n"
            "0 s Image BlendMultipy 1\n"
            "0 s Image Red 0\n"
            "0 s Image Blue 0\n"
            "0 s Image Alpha 0.5\n");
  const std::vector<uint8_t> white(8 * 8 * 3, 255);
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = 8;
  image.height = 8;
  image.format = PNG_FORMAT_RGB;
  std::filesystem::create_directories(dir.path() + "/data/images");
  ASSERT_TRUE(png_image_write_to_file(&image, (dir.path() + "/data/images/white.png").c_str(), 0, white.data(), 0,
                                      nullptr));
  ASSERT_TRUE(packShowData(dir.path()));

  ProgramRun run(ProgramRun::rk17Path(), {"--capture", "out", "--fps", "4", "--to", "1000"}, dir.path(),
                 {"SDL_VIDEODRIVER=offscreen"});
  ASSERT_EQ(run.wait(30000), 0) << run.stderrText();

  const struct {
    int frame;  // at frame x 250 ms
    int r, g, b;
  } expected[] = {
      {0, 255, 0, 128},
      {1, 191, 0, 128},
      {2, 64, 128, 64},  // half of the clear (128, 0, 128) plus half of green
      {3, 32, 128, 64},
      {4, 0, 128, 64},
  };
  for (const auto& e : expected) {
    char name[40];
    std::snprintf(name, sizeof name, "/out/frame-%06d.png", e.frame);
    int w = 0, h = 0;
    const std::vector<uint8_t> pixels = readPngRgb(dir.path() + name, &w, &h);
    ASSERT_EQ(w, 800) << name;
    ASSERT_EQ(h, 600) << name;
    for (const auto& [x, y] : {std::pair{10, 10}, std::pair{400, 300}, std::pair{790, 590}}) {
      const uint8_t* p = &pixels[(size_t(y) * w + x) * 3];
      EXPECT_NEAR(p[0], e.r, 2) << name << " at " << x << "," << y;
      EXPECT_NEAR(p[1], e.g, 2) << name << " at " << x << "," << y;
      EXPECT_NEAR(p[2], e.b, 2) << name << " at " << x << "," << y;
    }
  }
}

}  // namespace

namespace {

// An oscilloscope over a white clear: its trace (a flat line of silence across the middle of its
// rectangle, which darkens the screen to black) shows in every captured frame, whatever state
// the drawing over the screen left behind in the frame before.
TEST(CaptureProgram, OscilloscopeTraceShowsInEveryFrame) {
  TempDir dir;
  dir.write("data/scripts/demo.scr",
            "DEMO_END 1000\n"
            "__SETUP__\n"
            "INSERT_EFFECT Clear\n"
            "INSERT_EFFECT Osc\n"
            "__TIMELINE__\n"
            "0 b Clear\n"
            "0 s Clear Red 1\n"
            "0 s Clear Green 1\n"
            "0 s Clear Blue 1\n"
            "0 i Osc\n"
            "0 b Osc\n");
  ASSERT_TRUE(packShowData(dir.path()));
  ProgramRun run(ProgramRun::rk17Path(), {"--capture", "out", "--fps", "10", "--to", "500"}, dir.path(),
                 {"SDL_VIDEODRIVER=offscreen"});
  ASSERT_EQ(run.wait(30000), 0) << run.stderrText();

  // The rectangle spans x 320..640 and y 240..480 (from the top); the trace's middle row is y 360.
  for (int frame = 0; frame <= 5; ++frame) {
    char name[40];
    std::snprintf(name, sizeof name, "/out/frame-%06d.png", frame);
    int w = 0, h = 0;
    const std::vector<uint8_t> pixels = readPngRgb(dir.path() + name, &w, &h);
    ASSERT_EQ(w, 800) << name;
    ASSERT_EQ(h, 600) << name;
    const auto at = [&](int x, int y) { return &pixels[(size_t(y) * w + x) * 3]; };
    for (int x : {330, 480, 630}) {
      for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(at(x, 360)[c], 0) << name << " trace at x " << x;
        EXPECT_EQ(at(x, 300)[c], 255) << name << " rectangle above the trace at x " << x;
        EXPECT_EQ(at(x, 100)[c], 255) << name << " screen above the rectangle at x " << x;
      }
    }
  }
}

}  // namespace
