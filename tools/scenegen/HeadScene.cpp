// data/scenes/head.vdg: a marble bust on a column. The "Head" effect turns the object "head"
// about its Y axis every frame and makes its children inherit, so the neck, shoulders and eyes
// are placed relative to the head (its origin sits at the middle of the skull).
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"

namespace scenegen {
namespace {

float bumpAt(float x, float y, float cx, float cy, float sx, float sy) {
  const float dx = (x - cx) / sx, dy = (y - cy) / sy;
  return std::exp(-(dx * dx + dy * dy));
}

// A stylised head from a unit sphere: narrowed at the temples and jaw, with brow, nose, eye
// sockets, lips and a fuller back of the skull. The face looks along +Z.
MeshBuilder headShape(float size) {
  MeshBuilder head = sphere(1.0f, 32, 24);
  for (Vec3& p : head.positions()) {
    float x = p.x * 0.78f, y = p.y * 1.05f, z = p.z * 0.9f;
    if (y < -0.15f) x *= 1.0f - 0.45f * (-y - 0.15f);  // jaw towards the chin
    if (z > 0.0f) {
      const float ax = std::fabs(x);
      z += 0.34f * bumpAt(x, y, 0.0f, -0.1f, 0.09f, 0.2f) * p.z;                       // nose
      z -= 0.15f * bumpAt(ax, y, 0.26f, 0.12f, 0.12f, 0.08f);                          // eye sockets
      z += 0.08f * bumpAt(ax, y, 0.25f, 0.25f, 0.25f, 0.05f);                          // brow
      z += 0.07f * bumpAt(x, y, 0.0f, -0.45f, 0.16f, 0.05f);                           // lips
      z += 0.12f * bumpAt(x, y, 0.0f, -0.75f, 0.25f, 0.15f);                           // chin
      x += 0.04f * bumpAt(ax, y, 0.45f, -0.2f, 0.15f, 0.2f) * (x > 0 ? 1.0f : -1.0f);  // cheeks
    } else {
      z *= 1.12f;
      y += 0.06f * -p.z;
    }
    p = Vec3{x, y, z} * size;
  }
  head.computeNormals(true);
  head.scaleUv(2.0f, 2.0f);
  return head;
}

}  // namespace

SceneBuilder buildHeadScene() {
  SceneBuilder scene(301, kSceneStep);
  const int marble = scene.addMaterial(material("marble", {0.95f, 0.93f, 0.9f}, {{"marble.png", 1}}, 1.0f, 0.5f, 0.7f));
  const int eyes = scene.addMaterial(material("eyes", {0.6f, 0.8f, 1.0f}, {{"glow.png", 10}}));
  const int stoneMat = scene.addMaterial(material("column", {0.8f, 0.8f, 0.75f}, {{"stone.png", 1}}, 1.0f, 0.1f, 0.2f));
  const int floorMat =
      scene.addMaterial(material("floor", {0.5f, 0.5f, 0.55f}, {{"concrete.png", 1}}, 1.0f, 0.2f, 0.3f));

  const float size = 40.0f;
  const int head = scene.addMesh("head", headShape(size), marble, {{0.0f, 60.0f, 0.0f}});
  // Children: relative to the head.
  scene.addMesh("neck", lathe({{15, -72}, {16, -58}, {14, -40}, {12, -28}}, 20), marble, {}, head);
  MeshBuilder shoulders = lathe({{0, -100}, {70, -100}, {70, -100}, {72, -86}, {52, -70}, {17, -62}, {0, -60}}, 24);
  for (Vec3& p : shoulders.positions()) p.z *= 0.5f;  // a bust is flat front to back
  shoulders.computeNormals(true);
  scene.addMesh("shoulders", shoulders, marble, {}, head);
  const MeshBuilder eye = sphere(4.0f, 10, 6);
  scene.addMesh("eyeL", eye, eyes, {{-0.26f * size, 0.12f * size, 0.68f * size}}, head);
  scene.addMesh("eyeR", eye, eyes, {{0.26f * size, 0.12f * size, 0.68f * size}}, head);

  scene.addMesh("column",
                lathe({{0, -400},
                       {55, -400},
                       {55, -400},
                       {55, -380},
                       {45, -370},
                       {40, -90},
                       {50, -75},
                       {60, -70},
                       {60, -70},
                       {0, -70}},
                      24, 3.0f, 2.0f),
                stoneMat, {});
  MeshBuilder floor = box({1600.0f, 10.0f, 1600.0f});
  floor.scaleUv(8.0f, 8.0f);
  scene.addMesh("floor", floor, floorMat, {{0.0f, -405.0f, 0.0f}});

  Animation dolly;
  dolly.positions = scene.track([](float t) {
    const float a = kPi * (t * 0.5f - 0.25f);
    return Vec3{260.0f * std::sin(a), 80.0f + 40.0f * std::sin(2.0f * kPi * t),
                260.0f * std::cos(a) + 60.0f * (1.0f - t)};
  });
  const int look = scene.addHelper("Camera01.Target", {{0.0f, 40.0f, 0.0f}});
  scene.addCamera("Camera01", {0, 80, 320}, look, 50.0f, 2.0f, 3000.0f, dolly);
  const int face = scene.addHelper("Camera02.Target", {{0.0f, 62.0f, 0.0f}});
  scene.addCamera("Camera02", {0, 70, 150}, face, 40.0f, 2.0f, 3000.0f);

  const int bust = scene.addHelper("Spot01.Target", {{0.0f, 30.0f, 0.0f}});
  scene.addLight("Omni01", {200, 250, 300}, light(0, {1.0f, 0.92f, 0.8f}, 1.0f));
  scene.addLight("Spot01", {0, 500, 120}, light(1, {1.0f, 1.0f, 1.0f}, 0.7f, 0.0f, bust, 30.0f, 3.0f));
  scene.addLight("Omni02", {-250, 100, -250}, light(0, {0.3f, 0.45f, 1.0f}, 1.0f, 1000.0f));
  return scene;
}

}  // namespace scenegen
