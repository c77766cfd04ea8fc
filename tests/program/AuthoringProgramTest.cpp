// rk17 with the authoring options: start anywhere, jumps, reloads (by key and by saving), the
// lint, and the options' errors. Edit sessions are driven by RK17_EDIT_ACTIONS and paused
// before their shots, so every shot is taken at an exact time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "PngRead.h"
#include "ProgramRun.h"
#include "ShowPack.h"
#include "TempDir.h"

namespace {

// Red rises from 0 at 0 ms to 1 at 4000 ms, green is 0.25; from 1000 ms a blue fade whose
// alpha (its phase) grows 0.001 per ms since its init is blended over it.
const char* const kRampScript =
    "DEMO_END 4000\n"
    "DEMO_BEAT 125\n"
    "__SETUP__\n"
    "INSERT_EFFECT Clear\n"
    "INSERT_EFFECT Fade\n"
    "__TIMELINE__\n"
    "0 b Clear\n"
    "0 s Clear Red 0\n"
    "4000 s Clear Red 1\n"
    "0 s Clear Green 0.25\n"
    "1000 i Fade\n"
    "1000 b Fade\n"
    "1000 s Fade Speed 0.005\n"
    "0 s Fade Blue 1\n";

struct Rgb {
  int r, g, b;
};

Rgb pixelAt(const std::string& png, int x, int y) {
  int w = 0, h = 0;
  const std::vector<uint8_t> pixels = readPngRgb(png, &w, &h);
  if (w != 800 || h != 600) return {-1, -1, -1};
  const uint8_t* p = &pixels[(size_t(y) * w + x) * 3];
  return {p[0], p[1], p[2]};
}

void expectSamePicture(const std::string& a, const std::string& b) {
  for (const auto& [x, y] : {std::pair{5, 5}, std::pair{400, 300}, std::pair{795, 595}}) {
    const Rgb pa = pixelAt(a, x, y), pb = pixelAt(b, x, y);
    EXPECT_NEAR(pa.r, pb.r, 1) << a << " vs " << b << " at " << x << "," << y;
    EXPECT_NEAR(pa.g, pb.g, 1) << a << " vs " << b << " at " << x << "," << y;
    EXPECT_NEAR(pa.b, pb.b, 1) << a << " vs " << b << " at " << x << "," << y;
  }
}

std::vector<std::string> editEnv(const std::string& actions) {
  return {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "RK17_EDIT_ACTIONS=" + actions};
}

bool waitForFile(const std::string& path, ProgramRun& run) {
  for (int i = 0; i < 600; ++i) {
    if (std::filesystem::exists(path)) return true;
    if (!run.running()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(AuthoringProgram, StartAndJumpsShowWhatACaptureFromZeroShows) {
  TempDir dir;
  dir.write("data/scripts/demo.scr", kRampScript);
  {
    ProgramRun capture(ProgramRun::rk17Path(), {"--capture", "cap", "--fps", "4", "--to", "1500", "--data", "."},
                       dir.path(), {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    ASSERT_EQ(capture.wait(30000), 0) << capture.stderrText();
  }
  const std::string reference = dir.path() + "/cap/frame-000006.png";  // 1500 ms
  const Rgb expected = pixelAt(reference, 400, 300);
  EXPECT_NEAR(expected.r, 48, 1);  // 1500 / 4000 of the ramp, half covered by the fade
  EXPECT_NEAR(expected.g, 32, 1);
  EXPECT_NEAR(expected.b, 128, 1);

  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* actions;
  } cases[] = {
      {"start", {"--start", "1500"}, "P Home shot:start Escape"},
      {"jump", {}, "P jump:1500 shot:jump Escape"},
      {"bars", {}, "P Home Right Right Right Right Left shot:bars Escape"},  // a bar is 500 ms
      {"back", {}, "P jump:3000 PageUp jump:3500 Left Left Left Left shot:back Escape"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--edit", "--data", "."};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProgramRun run(ProgramRun::rk17Path(), args, dir.path(), editEnv(c.actions));
    ASSERT_EQ(run.wait(30000), 0) << c.name << run.stderrText();
    expectSamePicture(reference, dir.path() + "/" + c.name + "/frame-000000.png");
  }
  // A frame at another time differs, so the comparison can tell.
  const Rgb earlier = pixelAt(dir.path() + "/cap/frame-000005.png", 400, 300);
  EXPECT_GT(std::abs(earlier.r - expected.r) + std::abs(earlier.b - expected.b), 10);
}

// R reloads, a broken script is refused, saving a good one reloads it by itself.
TEST(AuthoringProgram, ReloadKeepsTheTimeAndABrokenScriptKeepsTheLastGoodOne) {
  TempDir dir;
  dir.write("data/scripts/demo.scr", kRampScript);
  ProgramRun run(ProgramRun::rk17Path(), {"--edit", "--data", "."}, dir.path(),
                 editEnv("P jump:1500 shot:a wait:go1 R shot:b wait:go2 R shot:c wait:go3 reloaded shot:d Escape"));
  ASSERT_TRUE(waitForFile(dir.path() + "/a/frame-000000.png", run)) << run.stderrText();
  std::string changed = kRampScript;
  changed.replace(changed.find("Green 0.25"), 10, "Green 1");
  dir.write("data/scripts/demo.scr", changed);
  dir.write("go1", "");
  ASSERT_TRUE(waitForFile(dir.path() + "/b/frame-000000.png", run)) << run.stderrText();
  dir.write("data/scripts/demo.scr", "INSERT_EFFECT Clear\nINSERT_EFFECT Nope\n0 b Clear\n");
  dir.write("go2", "");
  ASSERT_TRUE(waitForFile(dir.path() + "/c/frame-000000.png", run)) << run.stderrText();
  dir.write("go3", "");
  dir.write("data/scripts/demo.scr", kRampScript);
  ASSERT_EQ(run.wait(30000), 0) << run.stderrText();

  const Rgb a = pixelAt(dir.path() + "/a/frame-000000.png", 400, 300);
  const Rgb b = pixelAt(dir.path() + "/b/frame-000000.png", 400, 300);
  EXPECT_NEAR(a.g, 32, 1);
  EXPECT_NEAR(b.g, 128, 1);  // the new script
  EXPECT_NEAR(b.r, a.r, 1);  // at the same time
  EXPECT_NEAR(b.b, a.b, 1);
  expectSamePicture(dir.path() + "/b/frame-000000.png", dir.path() + "/c/frame-000000.png");
  expectSamePicture(dir.path() + "/a/frame-000000.png", dir.path() + "/d/frame-000000.png");
  const std::string errors = run.stderrText();
  EXPECT_NE(errors.find("data/scripts/demo.scr:2: Effect Id not found: Nope"), std::string::npos) << errors;
  EXPECT_NE(errors.find("the last good script keeps playing"), std::string::npos) << errors;
  EXPECT_NE(errors.find("ms after the save"), std::string::npos) << errors;
}

// A warning of the load is printed by the load, not again in the start-up list.
TEST(AuthoringProgram, EditPrintsEachStartUpReportOnce) {
  TempDir dir;
  dir.write("data/scripts/demo.scr", std::string("DEMO_MUSIC yes\n") + kRampScript);
  ProgramRun run(ProgramRun::rk17Path(), {"--edit", "--data", "."}, dir.path(), editEnv("Escape"));
  ASSERT_EQ(run.wait(30000), 0) << run.stderrText();
  const std::string errors = run.stderrText();
  const size_t first = errors.find("number expected, ignored: yes");
  ASSERT_NE(first, std::string::npos) << errors;
  EXPECT_EQ(errors.find("number expected", first + 1), std::string::npos) << errors;
}

// With --data, a picture no folder holds is named once on stderr, however often it is asked for;
// from the pack it stays as playback has it.
TEST(AuthoringProgram, MissingFilesAreNamedOnceWhileAuthoring) {
  const std::string script =
      "DEMO_END 1000\n__SETUP__\nINSERT_EFFECT Image\n0 s Image Datafile \"data/images/gone.png\"\n"
      "__TIMELINE__\n0 b Image\n";
  const char* const line = "rk17: missing file: data/images/gone.png (no --data folder holds it)";
  TempDir dir;
  dir.write("data/scripts/demo.scr", script);
  ProgramRun edit(ProgramRun::rk17Path(), {"--edit", "--data", "."}, dir.path(), editEnv("R R Escape"));
  ASSERT_EQ(edit.wait(30000), 0) << edit.stderrText();
  const std::string errors = edit.stderrText();
  const size_t first = errors.find(line);
  ASSERT_NE(first, std::string::npos) << errors;
  EXPECT_EQ(errors.find(line, first + 1), std::string::npos) << errors;

  ASSERT_TRUE(packShowData(dir.path()));
  std::filesystem::remove_all(dir.path() + "/data");
  ProgramRun play(ProgramRun::rk17Path(), {"--capture", "out", "--fps", "10"}, dir.path(),
                  {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
  play.wait(30000);
  EXPECT_EQ(play.stderrText().find("rk17: missing file"), std::string::npos) << play.stderrText();
}

// A soundtrack that is missing or not an MP3: the show plays silent. An edit session says so
// once, however often music is asked for again (M, R, Space); playback says nothing, as before.
TEST(AuthoringProgram, ASoundtrackThatCannotPlayIsNamedOnceWhileAuthoring) {
  const char* const line = "rk17: rk17.mp3 cannot be played (missing, or not a 44.1 kHz stereo MP3); no music";
  const struct {
    const char* name;
    std::string bytes;  // of rk17.mp3, when present
    bool present;
  } cases[] = {
      {"missing", "", false},
      {"empty", "", true},
      {"text", std::string(4000, 'x'), true},
      {"a WAV header and silence", std::string("RIFF\x24\x10\0\0WAVEfmt ", 16) + std::string(4000, '\0'), true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("data/scripts/demo.scr", kRampScript);
    if (c.present) dir.write("rk17.mp3", c.bytes);
    ProgramRun edit(ProgramRun::rk17Path(), {"--edit", "--data", "."}, dir.path(),
                    editEnv("M M R Space shot:a Escape"));
    ASSERT_EQ(edit.wait(30000), 0) << c.name << edit.stderrText();
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/a/frame-000000.png")) << c.name;
    const std::string errors = edit.stderrText();
    const size_t first = errors.find(line);
    EXPECT_NE(first, std::string::npos) << c.name << errors;
    EXPECT_EQ(errors.find(line, first + 1), std::string::npos) << c.name << errors;

    ProgramRun play(ProgramRun::rk17Path(), {"--capture", "out", "--fps", "10", "--data", "."}, dir.path(),
                    {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(play.wait(30000), 0) << c.name << play.stderrText();
    EXPECT_EQ(play.stderrText().find("rk17.mp3"), std::string::npos) << c.name << play.stderrText();
  }
}

TEST(AuthoringProgram, LintReportsEveryProblemWithoutADisplay) {
  const struct {
    const char* script;
    bool pack;
    int exitCode;
    std::vector<std::string> lines;
  } cases[] = {
      {kRampScript, false, 0, {}},
      {kRampScript, true, 0, {}},
      {"__SETUP__\nINSERT_EFFECT Tiles\nINSERT_EFFECT Mosaic\nINSERT_EFFECT RotoZoom\n", false, 0, {}},
      {"DEMO_END 1000\n__SETUP__\nINSERT_EFFECT Nope\nINSERT_EFFECT Image\n"
       "0 s Image Datafile \"data/images/none.png\"\n__TIMELINE__\n2000 b Image\n0 s Image Glow 1\n",
       false,
       1,
       {"data/scripts/demo.scr:3: Effect Id not found: Nope",
        "data/scripts/demo.scr:5: file not found in the show's data: data/images/none.png",
        "data/scripts/demo.scr:7: time after DEMO_END: 2000 > 1000",
        "data/scripts/demo.scr:8: Variable not found: Glow"}},
      {"__SETUP__\nINSERT_EFFECT Image\n0 s Image Datafile \"data/images/none.png\"\n",
       true,
       1,
       {"data/scripts/demo.scr:3: file not found in the show's data: data/images/none.png"}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("data/scripts/demo.scr", c.script);
    std::vector<std::string> args = {"--lint"};
    if (c.pack) {
      ASSERT_TRUE(packShowData(dir.path()));
      std::filesystem::remove_all(dir.path() + "/data");
    } else {
      args.insert(args.end(), {"--data", "."});
    }
    ProgramRun run(ProgramRun::rk17Path(), args, dir.path(), {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_AUDIODRIVER="});
    EXPECT_EQ(run.wait(10000), c.exitCode) << c.script << run.stderrText();
    std::string expected;
    for (const std::string& line : c.lines) expected += line + "\n";
    EXPECT_EQ(run.stderrText(), expected);
  }
}

}  // namespace
