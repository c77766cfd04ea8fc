// The object tree of a loaded scene as Scene::describe prints it, for a small writer-made scene
// (rk17 --scene-info prints it for a file or a folder of them).
#include <gtest/gtest.h>

#include <iostream>

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

}  // namespace
