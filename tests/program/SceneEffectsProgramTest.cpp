// A show using every scene effect, played from the generated scenes and captured: it must run
// to its end without a single report.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ProgramRun.h"
#include "TempDir.h"

namespace {

TEST(SceneEffectsProgram, EverySceneEffectPlaysWithoutAReport) {
  TempDir dir;
  dir.write("data/scripts/demo.scr",
            "DEMO_END 300\n"
            "__DEFS__\n"
            "DEFINE FLICKER 1\n"
            "DEFINE PICK 6\n"
            "DEFINE SPIN 11\n"
            "DEFINE MORPH 15\n"
            "DEFINE CAMERA_BY_NAME 18\n"
            "DEFINE SHOW 20\n"
            "DEFINE SHADOWS 21\n"
            "__SETUP__\n"
            "INSERT_EFFECT Clear\n"
            "INSERT_EFFECT Scene1\n"
            "INSERT_EFFECT Head\n"
            "INSERT_EFFECT Tentacle\n"
            "INSERT_EFFECT Test3d\n"
            "INSERT_EFFECT Mech\n"
            "INSERT_EFFECT Flower\n"
            "0 s Scene1 Datafile \"data/scenes/scene1.vdg\"\n"
            "0 s Head Datafile \"data/scenes/head.vdg\"\n"
            "0 s Test3d Datafile \"data/scenes/oscbox.vdg\"\n"
            "0 s Flower Datafile \"data/scenes/flower.vdg\"\n"
            "__TIMELINE__\n"
            "0 b Clear\n"
            "0 i Scene1\n0 b Scene1\n0 s Scene1 Fog 1\n0 s Scene1 FogMode 2\n0 t Scene1 FLICKER 1\n"
            "0 i Head\n0 b Head\n0 t Head PICK \"neck\"\n0 t Head SPIN 0 30 0\n100 t Head SHOW 0\n"
            "0 t Head CAMERA_BY_NAME \"Camera02\"\n"
            "0 i Tentacle\n0 b Tentacle\n0 s Tentacle TentacleSpeed 2\n"
            "0 i Test3d\n0 b Test3d\n"
            "0 i Mech\n0 b Mech\n"
            "0 i Flower\n0 b Flower\n0 t Flower MORPH 0 0.5 0\n200 t Flower SHADOWS 1\n");
  ProgramRun run(ProgramRun::rk17Path(),
                 {"--capture", "out", "--fps", "10", "--data", ".", "--data", RK17_BINARY_DIR "/generated", "--data",
                  RK17_SOURCE_DIR},
                 dir.path(), {"SDL_VIDEODRIVER=offscreen"});
  ASSERT_EQ(run.wait(120000), 0) << run.stderrText();
  EXPECT_EQ(run.stderrText(), "");
  for (const char* frame : {"/out/frame-000000.png", "/out/frame-000002.png"})
    EXPECT_TRUE(std::filesystem::exists(dir.path() + frame)) << frame;
}

}  // namespace
