// glTF scenes played by the program: a file that cannot be imported is reported and the show goes
// on, and in an edit session a saved glTF file shows at once at the current time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "GltfTestFile.h"
#include "PngRead.h"
#include "ProgramRun.h"
#include "TempDir.h"

namespace {

const char* const kQuadScript =
    "DEMO_END 3000\n"
    "__SETUP__\n"
    "INSERT_EFFECT Scene1\n"
    "0 s Scene1 Datafile \"data/scenes/quad.gltf\"\n"
    "__TIMELINE__\n"
    "0 i Scene1\n0 b Scene1\n";

// A quad in front of the default camera, in one colour, lit by the default light.
GltfTestFile quadFile(const std::string& material) {
  GltfTestFile file;
  file.add("materials", material);
  file.addMesh({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}, {0, 1, 2, 0, 2, 3}, {}, {}, 0);
  file.add("nodes", "{\"mesh\":0}");
  return file;
}

int centreGreenOf(const std::string& png) {
  int w = 0, h = 0;
  const std::vector<uint8_t> pixels = readPngRgb(png, &w, &h);
  return w == 800 && h == 600 ? pixels[(300 * 800 + 400) * 3 + 1] : -1;
}

bool waitForShot(const std::string& path, ProgramRun& run) {
  for (int i = 0; i < 600; ++i) {
    if (std::filesystem::exists(path)) return true;
    if (!run.running()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(GltfProgram, UnimportableFileIsReportedAndTheShowGoesOn) {
  TempDir dir;
  dir.write("data/scripts/demo.scr", kQuadScript);
  dir.write("data/scenes/quad.gltf", "{\"asset\":{\"version\":\"2.0\"},\"nodes\":[{\"children\":[0]}]}");
  ProgramRun run(ProgramRun::rk17Path(), {"--capture", "out", "--fps", "1", "--to", "1000", "--data", "."},
                 dir.path(), {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
  ASSERT_EQ(run.wait(60000), 0) << run.stderrText();
  const std::string errors = run.stderrText();
  EXPECT_NE(errors.find("glTF import failed: data/scenes/quad.gltf: node 'node0' has two parents or is its own ancestor"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("could not load scene: data/scenes/quad.gltf"), std::string::npos) << errors;
}

bool waitForText(const std::string& text, ProgramRun& run) {
  for (int i = 0; i < 600; ++i) {
    if (run.stderrText().find(text) != std::string::npos) return true;
    if (!run.running()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(GltfProgram, SavedFileReloadsAtTheCurrentTimeInAnEditSession) {
  // Saved in two steps, as a program that empties the file and then writes it does: the
  // emptied file fails to import, and the written one must still be seen and shown.
  TempDir dir;
  dir.write("data/scripts/demo.scr", kQuadScript);
  dir.write("data/scenes/quad.gltf",
            quadFile("{\"name\":\"red\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,0,0,1]}}").gltfText());
  ProgramRun run(ProgramRun::rk17Path(), {"--edit", "--data", "."}, dir.path(),
                 {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy",
                  "RK17_EDIT_ACTIONS=P jump:500 shot:a wait:go reloaded wait:saved reloaded shot:b Escape"});
  ASSERT_TRUE(waitForShot(dir.path() + "/a/frame-000000.png", run)) << run.stderrText();
  dir.write("go", "");
  dir.write("data/scenes/quad.gltf", "");
  ASSERT_TRUE(waitForText("glTF import failed", run)) << run.stderrText();
  dir.write("saved", "");
  dir.write("data/scenes/quad.gltf",
            quadFile("{\"name\":\"green, saved again\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[0,1,0,1]}}")
                .gltfText());
  ASSERT_EQ(run.wait(30000), 0) << run.stderrText();
  EXPECT_EQ(centreGreenOf(dir.path() + "/a/frame-000000.png"), 0);
  // Lit per vertex by the default light at the default camera: the corners' N.L.
  EXPECT_GT(centreGreenOf(dir.path() + "/b/frame-000000.png"), 200);
}

}  // namespace
