// data/scenes/flower.vdg: a single flower on a mossy mound. Its six petals "blomsterblad01".."06"
// carry morph data (data/scenes/morphdata_<name>.vmd) from closed bud to open flower; each mesh in
// the scene file is the bud, the first morph frame, with the same vertex layout.
#include <cmath>

#include "Petal.h"
#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"
#include "SplinePath.h"

namespace scenegen {
namespace {
constexpr int kMorphFrames = 60;
constexpr float kBloomHeight = 120.0f;  // where the petals start, above the ground
}  // namespace

SceneBuilder buildFlowerScene(std::vector<MorphSet>& morphs) {
  SceneBuilder scene(401, kSceneStep);
  const int petalMat = scene.addMaterial(material("petal", {1.0f, 0.9f, 0.95f}, {{"petal.png", 1}}, 1.0f, 0.3f, 0.4f));
  const int stemMat = scene.addMaterial(material("stem", {0.6f, 0.9f, 0.5f}, {{"stem.png", 1}}, 1.0f, 0.2f, 0.3f));
  const int heart = scene.addMaterial(material("heart", {1.0f, 0.8f, 0.2f}, {}, 1.0f, 0.5f, 0.6f));
  const int moss = scene.addMaterial(material("moss", {0.7f, 0.8f, 0.7f}, {{"moss.png", 1}}, 1.0f, 0.05f, 0.1f));
  const int pollen = scene.addMaterial(material("pollen", {1, 1, 1}, {{"glow.png", 10}}));

  MeshBuilder mound = terrain(1400.0f, 1400.0f, 20, 20, 6.0f, [](float x, float z) {
    const float d = std::sqrt(x * x + z * z);
    return 60.0f * std::exp(-d * d / 90000.0f) + 8.0f * std::sin(x * 0.02f) * std::sin(z * 0.017f);
  });
  scene.addMesh("ground", mound, moss, {{0.0f, -60.0f, 0.0f}});

  // The stem bends a little: a thin lathe, sheared along x with height.
  MeshBuilder stem = cylinder(3.5f, kBloomHeight + 5.0f, 10, false);
  for (Vec3& p : stem.positions()) p.x += 12.0f * std::sin(p.y / (kBloomHeight + 5.0f) * kPi * 0.5f) - 12.0f;
  stem.computeNormals(true);
  const int stemId = scene.addMesh("stem", stem, stemMat, {{12.0f, -5.0f, 0.0f}});
  PetalStyle leafStyle;
  leafStyle.length = 55.0f;
  leafStyle.halfWidth = 10.0f;
  const MeshBuilder leaf = petalMesh(0.85f, leafStyle);
  scene.addMesh("leaf01", leaf, stemMat, {{8.0f, 25.0f, 0.0f}, Rotation::axisAngle({0, 1, 0}, 70.0f)}, stemId);
  scene.addMesh("leaf02", leaf, stemMat, {{6.0f, 55.0f, 0.0f}, Rotation::axisAngle({0, 1, 0}, -120.0f)}, stemId);

  const Vec3 centre{0.0f, kBloomHeight, 0.0f};
  MeshBuilder bud = sphere(9.0f, 14, 9);
  for (Vec3& p : bud.positions()) p.y *= 0.7f;
  bud.computeNormals(true);
  const int heartId = scene.addMesh("heart", bud, heart, {centre + Vec3{0, 4, 0}});

  for (int i = 0; i < 6; ++i) {
    PetalStyle style;
    style.length = 62.0f + 6.0f * std::sin(static_cast<float>(i) * 2.3f);
    style.halfWidth = 17.0f + 2.0f * std::cos(static_cast<float>(i) * 1.7f);
    style.tilt = 6.0f * std::sin(static_cast<float>(i) * 1.3f);
    style.delay = 0.04f * static_cast<float>(i % 3) + 0.02f * static_cast<float>(i / 3);
    const std::string name = "blomsterblad0" + std::to_string(i + 1);
    // Alternate petals sit a little lower and further in, so the bud closes in two rings.
    const float angle = 60.0f * static_cast<float>(i) + (i % 2 ? 8.0f : 0.0f);
    const Vec3 base =
        centre + Rotation::axisAngle({0, 1, 0}, angle).rotate({0.0f, i % 2 ? -2.0f : 0.0f, i % 2 ? 3.0f : 5.0f});
    scene.addMesh(name, petalMesh(0.0f, style), petalMat, {base, Rotation::axisAngle({0, 1, 0}, angle)}, heartId);
    morphs.push_back({name, petalMorphFrames(kMorphFrames, style)});
  }

  MeshBuilder grain = sphere(2.5f, 6, 4);
  for (int i = 0; i < 8; ++i) {
    const float phase = static_cast<float>(i) * 0.785f;
    Animation drift;
    drift.positions = scene.track([&](float t) {
      const float a = 2.0f * kPi * t * 2.0f + phase;
      const float rise = std::fmod(t * 3.0f + static_cast<float>(i) * 0.125f, 1.0f);
      return centre +
             Vec3{(30.0f + 60.0f * rise) * std::cos(a), 10.0f + 140.0f * rise, (30.0f + 60.0f * rise) * std::sin(a)};
    });
    scene.addMesh("pollen0" + std::to_string(i + 1), grain, pollen, {centre}, -1, drift);
  }

  const SplinePath path(
      {{0, 200, 380}, {260, 120, 240}, {300, 260, -150}, {-50, 330, -300}, {-300, 150, -80}, {-220, 90, 260}}, true);
  Animation fly;
  fly.positions = scene.track([&](float t) { return path.at(t); });
  const int look = scene.addHelper("Camera01.Target", {centre + Vec3{0, 10, 0}});
  scene.addCamera("Camera01", {0, 200, 380}, look, 55.0f, 2.0f, 3000.0f, fly);
  const int top = scene.addHelper("Camera02.Target", {centre + Vec3{0, 20, 0}});
  scene.addCamera("Camera02", {0, 420, 40}, top, 45.0f, 2.0f, 3000.0f);

  const int bloom = scene.addHelper("Spot01.Target", {centre});
  scene.addLight("Omni01", {250, 400, 300}, light(0, {1.0f, 0.95f, 0.85f}, 1.0f));
  scene.addLight("Spot01", {-150, 500, 200}, light(1, {1.0f, 0.8f, 0.9f}, 0.8f, 0.0f, bloom, 35.0f, 4.0f));
  scene.addLight("Omni02", {-300, 50, -250}, light(0, {0.3f, 0.4f, 0.9f}, 0.8f, 1200.0f));
  return scene;
}

}  // namespace scenegen
