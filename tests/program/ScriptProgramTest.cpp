// The script as the whole program sees it: rk17 run in a temporary folder with its own
// data/scripts/demo.scr, and the restart key reloading the script in-process.
#include "DemoClock.h"
#include "DemoRunner.h"
#include "DemoSettings.h"
#include "EffectVariable.h"
#include "ShowPack.h"
#include "TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {
struct ProgramRun {
  int exitCode = -1;  // 137 when the safety timeout had to kill it
  std::string stderrText;
  double seconds = 0.0;
};

// Runs rk17 in dir without message boxes; killed after 60 s should it hang.
ProgramRun runProgram(const TempDir& dir) {
  const std::string command = "cd '" + dir.path() + "' && RK17_NONINTERACTIVE=1 SDL_AUDIODRIVER=dummy " +
                              "timeout -s KILL 60 '" RK17_BINARY_DIR "/rk17' >/dev/null 2>stderr.txt";
  const auto begin = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  ProgramRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.stderrText = dir.read("stderr.txt");
  return run;
}

class ScriptProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (ctest runs under xvfb-run)";
  }
  TempDir _dir;
};
}  // namespace

TEST_F(ScriptProgramTest, ShowEndsAtDemoEndByItself) {
  _dir.write("data/scripts/demo.scr", "__HEADER__\nDEMO_FULLSCREEN 0\nDEMO_END 1500\n");
  ASSERT_TRUE(packShowData(_dir.path()));
  const ProgramRun run = runProgram(_dir);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  // The clock must pass 1500 ms before the loop may end (no upper bound: machine speed varies).
  EXPECT_GE(run.seconds, 1.5);
}

TEST_F(ScriptProgramTest, UnknownEffectNameEndsWithItsPlace) {
  _dir.write("data/scripts/demo.scr", "DEMO_END 1500\nINSERT_EFFECT Foo\n");
  ASSERT_TRUE(packShowData(_dir.path()));
  const ProgramRun run = runProgram(_dir);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.stderrText.find("Effect Id not found: Foo (data/scripts/demo.scr:2)"), std::string::npos)
      << run.stderrText;
}

TEST_F(ScriptProgramTest, MissingScriptIsFatal) {
  const ProgramRun run = runProgram(_dir);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.stderrText.find("script: could not open file for parsing"), std::string::npos) << run.stderrText;
}

namespace {
int64_t gTicks = 0;  // ms
int64_t steppedCounter() { return gTicks; }
}  // namespace

TEST(ScriptRestart, SpaceReloadsTheScriptAndRestartsTheClockAtTheStartTime) {
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
  TempDir dir(true);
  dir.write("data/scripts/demo.scr", "DEMO_FULLSCREEN 0 DEMO_START 100 DEMO_END 1000\n");
  ASSERT_TRUE(packShowData(dir.path()));
  demoSettings() = DemoSettings();
  DemoClock clock(steppedCounter, 1000);
  DemoRunner runner(clock);
  gTicks = 5000;
  ASSERT_TRUE(runner.startUp());
  EXPECT_EQ(demoSettings().endTime, 1000);
  EXPECT_EQ(clock.now(), 100);
  gTicks = 5700;
  EXPECT_EQ(clock.now(), 800);

  dir.write("data/scripts/demo.scr", "DEMO_START 250 DEMO_END 4000\n");
  ASSERT_TRUE(packShowData(dir.path()));
  runner.onKeyDown(SDLK_SPACE);
  EXPECT_EQ(demoSettings().startTime, 250);
  EXPECT_EQ(demoSettings().endTime, 4000);
  EXPECT_EQ(EffectVariable::getEndKeyTime(), 4000u);
  EXPECT_EQ(clock.now(), 250);
  runner.shutDown();
}
