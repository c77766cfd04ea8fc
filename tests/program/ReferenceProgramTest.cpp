// The authoring reference: rk17 --list-effects (checked in as docs/effects.md, which must be
// current) and rk17 --scene-info.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ProgramRun.h"
#include "TempDir.h"

namespace {

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs rk17 with args in dir; stdout goes to dir/out.txt.
int runToFile(const TempDir& dir, const std::string& args, std::string* stderrText = nullptr) {
  const std::string command = "cd '" + dir.path() + "' && SDL_VIDEODRIVER=offscreen timeout -s KILL 60 '" +
                              ProgramRun::rk17Path() + "' " + args + " >out.txt 2>err.txt";
  const int status = runCommand(command);
  if (stderrText) *stderrText = dir.read("err.txt");
  return status;
}

TEST(ReferenceProgram, TheCheckedInEffectsPageIsCurrent) {
  TempDir dir;
  ASSERT_EQ(runToFile(dir, "--list-effects"), 0);
  EXPECT_TRUE(dir.read("out.txt") == readText(RK17_SOURCE_DIR "/docs/effects.md"))
      << "docs/effects.md is out of date: cd /tmp && " << ProgramRun::rk17Path()
      << " --list-effects > <repository>/docs/effects.md";
}

TEST(ReferenceProgram, ListsOneEffectOrSuggestsAName) {
  const struct {
    const char* args;
    int exitCode;
    const char* out;  // part of stdout
    const char* err;  // part of stderr
  } cases[] = {
      {"--list-effects Fade", 0, "| `FADEOUT` | 27 | 1 number | 1: fades out, 0: fades in |", ""},
      {"--list-effects Scene3", 0, "| `CAMERA_BY_NAME` | 18 | \"camera name\" |", ""},
      {"--list-effects Image2", 0, "| `Alpha` | float | 1 |", ""},
      {"--list-effects fade", 2, "", "rk17: no effect named fade (did you mean \"Fade\"?)"},
      {"--list-effects Fade --data .", 2, "", "--list-effects takes only a name"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string errors;
    const int status = runToFile(dir, c.args, &errors);
    EXPECT_EQ(status, c.exitCode) << c.args << "\n" << errors;
    EXPECT_NE(dir.read("out.txt").find(c.out), std::string::npos) << c.args;
    EXPECT_NE(errors.find(c.err), std::string::npos) << c.args << "\n" << errors;
  }
}

TEST(ReferenceProgram, SceneInfoListsCamerasObjectsAndTheirParents) {
  TempDir dir;
  std::string errors;
  ASSERT_EQ(runToFile(dir, "--scene-info data/scenes/head.vdg --data '" RK17_BINARY_DIR "/generated'", &errors), 0)
      << errors;
  const std::string text = dir.read("out.txt");
  for (const char* part : {"cameras (index: name): 0: Camera01 1: Camera02\n", "frames 301, step 10",
                           "mesh \"head\" id 1", "\n  mesh \"eyeL\"", "material 2 \"eyes\"", "light \"Spot01\""})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  EXPECT_EQ(errors, "");
  EXPECT_EQ(runToFile(dir, "--scene-info data/scenes/none.vdg", &errors), 1);
  EXPECT_NE(errors.find("data/scenes/none.vdg could not be read as a scene file"), std::string::npos) << errors;
}

TEST(ReferenceProgram, SceneInfoOfAFolderDescribesEachSceneFile) {
  TempDir dir;
  std::string errors;
  const std::string scenes = RK17_BINARY_DIR "/generated/data/scenes";
  ASSERT_EQ(runToFile(dir, "--scene-info '" + scenes + "'", &errors), 0) << errors;
  const std::string text = dir.read("out.txt");
  const size_t head = text.find(scenes + "/head.vdg\ncameras (index: name): 0: Camera01");
  const size_t tentacle = text.find(scenes + "/tentacle.vdg\ncameras");
  EXPECT_NE(head, std::string::npos) << text;
  EXPECT_NE(tentacle, std::string::npos) << text;
  EXPECT_LT(head, tentacle);  // in name order
  EXPECT_EQ(text.find(".vmd"), std::string::npos);  // morph data is not a scene file
  EXPECT_EQ(errors, "");

  // One file that is not a scene: the others are still described, the exit code says so.
  dir.write("scenes/a.vdg", "not a scene");
  ASSERT_EQ(runToFile(dir, "--scene-info '" + dir.path() + "/scenes'", &errors), 1);
  EXPECT_NE(errors.find("scenes/a.vdg could not be read as a scene file"), std::string::npos) << errors;
  EXPECT_EQ(runToFile(dir, "--scene-info '" + dir.path() + "'", &errors), 1);
  EXPECT_NE(errors.find("holds no scene files"), std::string::npos) << errors;
}

}  // namespace
