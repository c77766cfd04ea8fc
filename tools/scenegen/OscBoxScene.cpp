// data/scenes/oscbox.vdg: "Box01", a turning screen cube on a plinth. The "Test3d" effect
// replaces its base map with the live oscilloscope picture, which an off-screen buffer holds
// bottom row first; the cube's v coordinates are written so that the picture stands upright on
// every side.
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"

namespace scenegen {

SceneBuilder buildOscBoxScene() {
  SceneBuilder scene(301, kSceneStep);
  const int screenMat = scene.addMaterial(material("screen", {1, 1, 1}, {{"screen.png", 1}}, 1.0f, 0.6f, 0.5f));
  const int frame = scene.addMaterial(material("frame", {0.5f, 0.5f, 0.55f}, {{"metal.png", 1}}, 1.0f, 0.5f, 0.8f));
  const int floorMat =
      scene.addMaterial(material("floor", {0.35f, 0.35f, 0.4f}, {{"concrete.png", 1}}, 1.0f, 0.1f, 0.2f));

  MeshBuilder cube = box({100.0f, 100.0f, 100.0f});
  // Loaded v is negated; the buffer's first row is the picture's bottom.
  for (Vec2& uv : cube.uvs()) uv.v = -uv.v;
  Animation turn;
  turn.rotations = scene.rotationTrack([](float t) {
    return Rotation::axisAngle({0, 1, 0}, 360.0f * 2.0f * t) *
           Rotation::axisAngle({1, 0, 0}, 15.0f * std::sin(2.0f * kPi * 3.0f * t));
  });
  turn.positions = scene.track([](float t) {
    return Vec3{0.0f, 70.0f + 10.0f * std::sin(2.0f * kPi * 5.0f * t), 0.0f};
  });
  scene.addMesh("Box01", cube, screenMat, {{0.0f, 70.0f, 0.0f}}, -1, turn);

  scene.addMesh("plinth", lathe({{0, 0}, {60, 0}, {60, 0}, {60, 6}, {40, 12}, {30, 12}, {30, 12}, {0, 12}}, 24), frame,
                {{0.0f, -20.0f, 0.0f}});
  MeshBuilder floor = terrain(1200.0f, 1200.0f, 4, 4, 6.0f, [](float, float) { return 0.0f; });
  scene.addMesh("floor", floor, floorMat, {{0.0f, -20.0f, 0.0f}});

  const int look = scene.addHelper("Camera01.Target", {{0.0f, 70.0f, 0.0f}});
  Animation sway;
  sway.positions = scene.track([](float t) {
    const float a = 0.6f * std::sin(2.0f * kPi * t);
    return Vec3{300.0f * std::sin(a), 140.0f + 40.0f * std::cos(2.0f * kPi * 2.0f * t), 300.0f * std::cos(a)};
  });
  scene.addCamera("Camera01", {0, 140, 300}, look, 55.0f, 2.0f, 2000.0f, sway);

  const int boxMark = scene.addHelper("Spot01.Target", {{0.0f, 60.0f, 0.0f}});
  scene.addLight("Omni01", {150, 250, 250}, light(0, {1.0f, 1.0f, 1.0f}, 1.0f));
  scene.addLight("Spot01", {-120, 400, 120}, light(1, {0.6f, 1.0f, 0.7f}, 0.6f, 0.0f, boxMark, 35.0f, 2.0f));
  return scene;
}

}  // namespace scenegen
