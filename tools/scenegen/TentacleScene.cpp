// data/scenes/tentacle.vdg: a fleshy core hovering over a dark plain. The tentacle effect grows
// ten segment chains out of the helpers "Dummy01".."Dummy05" under "mother" and makes them inherit
// their parents' transforms, so the dummies are placed relative to "mother" and turned so that
// each chain leaves the core outwards.
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"
#include "SplinePath.h"

namespace scenegen {

SceneBuilder buildTentacleScene() {
  SceneBuilder scene(601, kSceneStep);  // a minute at the default speed
  const int flesh = scene.addMaterial(material("flesh", {0.9f, 0.6f, 0.65f}, {{"flesh.png", 1}}, 1.0f, 0.4f, 0.6f));
  const int ground = scene.addMaterial(
      material("plain", {0.5f, 0.5f, 0.55f}, {{"concrete.png", 1}, {"lightmap.png", 7}}, 1.0f, 0.05f, 0.1f));
  const int rock = scene.addMaterial(material("rock", {0.6f, 0.58f, 0.55f}, {{"stone.png", 1}}));
  const int spore = scene.addMaterial(material("spore", {1, 1, 1}, {{"glow.png", 10}}));

  MeshBuilder plain = terrain(2400.0f, 2400.0f, 24, 24, 12.0f, [](float x, float z) {
    return 18.0f * std::sin(x * 0.006f) * std::cos(z * 0.005f) + 10.0f * std::sin((x + z) * 0.013f);
  });
  plain.setSecondUvFromPlanarXZ(-1200.0f, -1200.0f, 2400.0f, 2400.0f);
  scene.addMesh("plain", plain, ground, {{0.0f, -420.0f, 0.0f}});

  for (int i = 0; i < 6; ++i) {
    MeshBuilder stone = sphere(1.0f, 10, 7);
    for (Vec3& p : stone.positions())
      p = p * (0.8f + 0.3f * std::sin(p.x * 5.0f + static_cast<float>(i)) * std::cos(p.z * 4.0f));
    stone.computeNormals(true);
    const float a = static_cast<float>(i) * 1.1f + 0.4f;
    const float r = 380.0f + 90.0f * static_cast<float>(i % 3);
    scene.addMesh("rock0" + std::to_string(i + 1), stone, rock,
                  {{r * std::sin(a), -415.0f, r * std::cos(a)},
                   Rotation::euler(0, 40.0f * static_cast<float>(i), 0),
                   {40.0f + 10.0f * static_cast<float>(i % 2), 28.0f, 36.0f}});
  }

  // The creature: "mother" drifts and turns slowly; its children (the core and the dummies) are
  // given relative to it, because the effect makes them inherit its transform.
  Animation drift;
  drift.positions = scene.track([](float t) {
    const float a = 2.0f * kPi * t;
    return Vec3{60.0f * std::sin(a * 2.0f), 40.0f + 30.0f * std::sin(a * 5.0f), 50.0f * std::cos(a * 3.0f)};
  });
  drift.rotations = scene.rotationTrack([](float t) {
    return Rotation::axisAngle({0, 1, 0}, 200.0f * t) *
           Rotation::axisAngle({1, 0, 0}, 12.0f * std::sin(2.0f * kPi * 3.0f * t));
  });
  const int mother = scene.addHelper("mother", {{0.0f, 40.0f, 0.0f}}, -1, drift);

  MeshBuilder core = sphere(46.0f, 24, 16);
  for (Vec3& p : core.positions()) p = p + normalized(p) * (4.0f * std::sin(p.y * 0.25f) * std::cos(p.x * 0.2f));
  core.computeNormals(true);
  scene.addMesh("core", core, flesh, {}, mother, spin(scene, {0, 1, 0}, -2.0f));

  // Each chain grows along the dummy's local axis picked by the effect's fixed root rotation.
  scene.addHelper("Dummy01", {{0.0f, -80.0f, 0.0f}, Rotation::axisAngle({1, 0, 0}, 90.0f)}, mother);   // downwards
  scene.addHelper("Dummy02", {{0.0f, 0.0f, -30.0f}}, mother);                                          // backwards
  scene.addHelper("Dummy03", {{30.0f, 0.0f, 0.0f}, Rotation::axisAngle({0, 1, 0}, 90.0f)}, mother);    // right
  scene.addHelper("Dummy04", {{-30.0f, 0.0f, 0.0f}, Rotation::axisAngle({0, 1, 0}, 180.0f)}, mother);  // left, rising
  scene.addHelper("Dummy05", {{0.0f, 30.0f, 0.0f}}, mother);                                           // up

  MeshBuilder sporeBall = sphere(7.0f, 10, 6);
  for (int i = 0; i < 6; ++i) {
    const float phase = static_cast<float>(i) * 1.7f;
    Animation float_;
    float_.positions = scene.track([&](float t) {
      const float a = 2.0f * kPi * t + phase;
      return Vec3{(260.0f + 60.0f * static_cast<float>(i % 3)) * std::sin(a * 2.0f + phase),
                  -200.0f + 180.0f * std::sin(a * 3.0f),
                  (260.0f + 40.0f * static_cast<float>(i % 2)) * std::cos(a * 2.0f)};
    });
    scene.addMesh("spore0" + std::to_string(i + 1), sporeBall, spore, {}, -1, float_);
  }

  // Cameras: the effect picks "Camera06" by name, but its "Camera" variable (0 by default)
  // chooses by index every frame, so "Camera06" comes first.
  const SplinePath orbit({{0, 150, 900},
                          {700, 60, 500},
                          {850, 300, -300},
                          {100, 420, -850},
                          {-700, 120, -500},
                          {-800, -150, 300},
                          {-300, 250, 800}},
                         true);
  Animation orbitTrack;
  orbitTrack.positions = scene.track([&](float t) { return orbit.at(t); });
  Animation lookTrack;
  lookTrack.positions = scene.track([](float t) {
    return Vec3{0.0f, -20.0f + 60.0f * std::sin(2.0f * kPi * 2.0f * t), 0.0f};
  });
  const int look = scene.addHelper("Camera06.Target", {{0, 0, 0}}, -1, lookTrack);
  scene.addCamera("Camera06", {0, 150, 900}, look, 60.0f, 5.0f, 5000.0f, orbitTrack);

  const int close = scene.addHelper("Camera07.Target", {{0, 40, 0}});
  Animation closeTrack;
  closeTrack.positions = scene.track([](float t) {
    const float a = 2.0f * kPi * t;
    return Vec3{420.0f * std::cos(a), -250.0f + 80.0f * std::sin(3.0f * a), 420.0f * std::sin(a)};
  });
  scene.addCamera("Camera07", {420, -250, 0}, close, 75.0f, 5.0f, 5000.0f, closeTrack);

  const int coreMark = scene.addHelper("Spot01.Target", {{0, 0, 0}});
  scene.addLight("Omni01", {300, 700, 400}, light(0, {1.0f, 0.85f, 0.7f}, 1.0f));
  scene.addLight("Spot01", {-200, 900, 300}, light(1, {0.9f, 0.9f, 1.0f}, 0.9f, 0.0f, coreMark, 40.0f, 2.0f));
  scene.addLight("Omni02", {0, -380, 0}, light(0, {0.35f, 0.15f, 0.5f}, 1.0f, 900.0f));
  return scene;
}

}  // namespace scenegen
