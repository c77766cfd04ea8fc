// Prints the object tree of loaded scenes. Always a small writer-made scene (checked); with
// RK17_SCENE_DIR set, also every .vdg file in that folder (run with ctest -V to read them).
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "ReportCapture.h"
#include "SceneLoaderVDG.h"
#include "StandInTextures.h"
#include "TempDir.h"
#include "VdgWriter.h"

namespace {

TEST(SceneDumpTest, PrintsTheObjectTree) {
  TempDir dir(true);
  StandInTextures textures;
  vdg::VdgWriter w(0, 320, 160);
  vdg::MaterialRecord m;
  m.id = 1;
  m.name = "chrome";
  w.addMaterials({m});
  vdg::ObjectHeader mother;
  mother.name = "mother";
  mother.id = 1;
  mother.positionTrack = {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}};
  w.addHelper(mother);
  vdg::MeshRecord arm;
  arm.header.name = "arm";
  arm.header.id = 2;
  arm.header.parentId = 1;
  arm.header.materialId = 1;
  arm.header.position = {1, 2, 3};
  arm.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  arm.faces = {{0, 1, 2}};
  w.addMesh(arm);
  vdg::CameraRecord camera;
  camera.header.name = "Camera01";
  camera.header.id = 3;
  camera.targetId = 2;
  w.addCamera(camera);
  const std::vector<uint8_t> bytes = w.finish();
  dir.write("dump.vdg", std::string(bytes.begin(), bytes.end()));
  std::unique_ptr<Scene> scene = SceneLoaderVDG().read("dump.vdg", "data/textures/");
  ASSERT_TRUE(scene);
  const std::string text = scene->describe();
  std::cout << text;
  EXPECT_EQ(text,
            "frames 3, step 160, 3 objects, 1 materials\n"
            "object \"mother\" id 1 at (0, 0, 0), 3 samples\n"
            "  mesh \"arm\" id 2 at (1, 2, 3), 3 vertices, 1 faces, material 1 \"chrome\" model 0\n"
            "camera \"Camera01\" id 3 at (0, 0, 0), fov 34.52, target arm\n");
}

TEST(SceneDumpTest, PrintsTheScenesOfAFolder) {
  const char* folder = std::getenv("RK17_SCENE_DIR");
  if (!folder) GTEST_SKIP() << "set RK17_SCENE_DIR to a folder of .vdg files to print their trees";
  DIR* listing = opendir(folder);
  ASSERT_NE(listing, nullptr) << folder;
  std::vector<std::string> names;
  while (dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".vdg") == 0) names.push_back(name);
  }
  closedir(listing);
  std::sort(names.begin(), names.end());
  StandInTextures textures;  // texture names are listed by the loader's requests, no GL needed
  for (const std::string& name : names) {
    ReportCapture reports;
    std::unique_ptr<Scene> scene = SceneLoaderVDG().read(std::string(folder) + "/" + name, "data/textures/");
    std::cout << "== " << name << "\n" << (scene ? scene->describe() : "(not loaded)\n");
    for (const std::string& r : reports.reports()) std::cout << "   report: " << r << "\n";
    EXPECT_TRUE(scene) << name;
  }
}

}  // namespace
