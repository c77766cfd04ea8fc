// data/scenes/scene2.vdg: a sculpture garden at dusk, made for fog. Chrome sculptures turn on
// stone pedestals (pedestal, sculpture and orbiting ring form small hierarchies), glass monoliths
// stand between them and glowing orbs drift over the hills. "Spot01" lights the centre piece
// from above and casts the shadows. Cameras: a wide orbit and a low glide between the pedestals.
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"
#include "SplinePath.h"

namespace scenegen {
namespace {

float hills(float x, float z) {
  const float d = std::sqrt(x * x + z * z);
  const float flat = std::fmin(1.0f, std::fmax(0.0f, (d - 420.0f) / 300.0f));  // a level lawn in the middle
  return flat *
         (50.0f * std::sin(x * 0.004f + 1.0f) * std::cos(z * 0.005f) + 30.0f * std::sin((x - z) * 0.009f) + 30.0f);
}

// A ten-pointed star column standing on y = 0, twisted about its axis and tapering as it rises,
// closed at the top.
MeshBuilder twistedColumn(float radius, float height, float twistDegrees) {
  const int points = 10, layers = 16;
  MeshBuilder col;
  for (int k = 0; k <= layers; ++k) {
    const float f = static_cast<float>(k) / layers;
    const float twist = radians(twistDegrees) * f, taper = 1.0f - 0.4f * f;
    for (int i = 0; i <= points; ++i) {
      const float a = 2.0f * kPi * static_cast<float>(i % points) / points + twist;
      const float r = (i % 2 ? radius * 0.55f : radius) * taper;
      col.addVertex({r * std::sin(a), height * f, r * std::cos(a)}, {0, 1, 0},
                    {static_cast<float>(i) / points, f * 3.0f});
    }
  }
  const int row = points + 1;
  for (int k = 0; k < layers; ++k)
    for (int i = 0; i < points; ++i) {
      const int ll = k * row + i;
      col.addQuad(ll, ll + 1, ll + row + 1, ll + row);
    }
  col.computeNormals();
  const int centre = col.addVertex({0, height, 0}, {0, 1, 0}, {0.5f, 0.5f});
  for (int i = 0; i < points; ++i) {
    const Vec3 a = col.positions()[static_cast<size_t>(layers * row + i)],
               b = col.positions()[static_cast<size_t>(layers * row + i + 1)];
    const int va = col.addVertex(a, {0, 1, 0}, {0.5f + a.x / radius, 0.5f + a.z / radius});
    const int vb = col.addVertex(b, {0, 1, 0}, {0.5f + b.x / radius, 0.5f + b.z / radius});
    col.addTriangle(centre, va, vb);
  }
  return col;
}

}  // namespace

SceneBuilder buildGardenScene() {
  SceneBuilder scene(801, kSceneStep);
  const int lawn = scene.addMaterial(
      material("lawn", {0.7f, 0.8f, 0.75f}, {{"moss.png", 1}, {"lightmap.png", 7}}, 1.0f, 0.05f, 0.1f));
  const int stone =
      scene.addMaterial(material("pedestal", {0.85f, 0.82f, 0.78f}, {{"stone.png", 1}}, 1.0f, 0.1f, 0.2f));
  const int chrome = scene.addMaterial(material("chrome", {0.9f, 0.9f, 0.95f}, {{"chrome.png", 9}}, 1.0f, 0.9f, 1.0f));
  const int steel = scene.addMaterial(
      material("polished", {0.8f, 0.8f, 0.85f}, {{"metal.png", 1}, {"chrome.png", 9}}, 1.0f, 0.8f, 1.0f));
  const int glass = scene.addMaterial(material("glass", {0.6f, 0.8f, 1.0f}, {}, 0.35f, 0.9f, 1.0f));
  const int orb = scene.addMaterial(material("orb", {1, 1, 1}, {{"glow.png", 10}}));

  // The lawn's light map coordinates go in the third set, which the loader takes as the second.
  MeshBuilder ground = terrain(2400.0f, 2400.0f, 32, 32, 16.0f, hills);
  ground.setSecondUvFromPlanarXZ(-1200.0f, -1200.0f, 2400.0f, 2400.0f);
  scene.addMesh("lawn", ground, lawn, {}, -1, {}, 2);

  const MeshBuilder plinth = lathe(
      {{0, 0}, {42, 0}, {42, 0}, {42, 10}, {34, 16}, {30, 70}, {38, 76}, {38, 84}, {38, 84}, {0, 84}}, 20, 2.0f, 1.0f);
  const MeshBuilder ring = torus(48.0f, 3.0f, 28, 8);

  struct Piece {
    const char* name;
    Vec3 position;
    int kind;  // 0 torus knot-like ring pair, 1 sphere, 2 twisted column
  };
  const Piece pieces[] = {{"centre", {0, 0, 0}, 2},
                          {"north", {0, 0, -320}, 1},
                          {"east", {300, 0, -90}, 0},
                          {"south", {180, 0, 260}, 2},
                          {"west", {-290, 0, 120}, 1}};
  int index = 0;
  for (const Piece& piece : pieces) {
    ++index;
    const std::string base = std::string(piece.name);
    const int pedestal = scene.addMesh(base + ".pedestal", plinth, stone, {piece.position});
    const Vec3 top = piece.position + Vec3{0.0f, 84.0f, 0.0f};
    const float turns = index % 2 ? 1.0f : -1.0f;
    int sculpture = -1;
    if (piece.kind == 2) {
      const float h = piece.name[0] == 'c' ? 260.0f : 160.0f;
      sculpture = scene.addMesh(base + ".sculpture", twistedColumn(32.0f, h, 160.0f), chrome, {top}, pedestal,
                                spin(scene, {0, 1, 0}, turns));
    } else if (piece.kind == 1) {
      Animation hover = bob(scene, top + Vec3{0, 70, 0}, 12.0f, 4.0f, static_cast<float>(index));
      hover.rotations = spin(scene, {0, 1, 0}, 2.0f * turns).rotations;
      sculpture =
          scene.addMesh(base + ".sculpture", sphere(45.0f, 24, 16), steel, {top + Vec3{0, 70, 0}}, pedestal, hover);
    } else {
      MeshBuilder pair = torus(40.0f, 9.0f, 32, 12);
      MeshBuilder second = pair;
      second.transform({1, 1, 1}, Rotation::axisAngle({1, 0, 0}, 90.0f), {});
      pair.append(second);
      sculpture = scene.addMesh(base + ".sculpture", pair, chrome, {top + Vec3{0, 60, 0}}, pedestal,
                                spin(scene, {1, 1, 0}, 3.0f * turns));
    }
    // A thin ring circling each sculpture, tilted, turning the other way.
    const Rotation tilt = Rotation::axisAngle({0, 0, 1}, 20.0f + 10.0f * static_cast<float>(index));
    scene.addMesh(base + ".ring", ring, steel, {top + Vec3{0, 80, 0}, tilt}, sculpture,
                  spin(scene, {0, 1, 0}, -2.0f * turns, tilt));
  }

  const MeshBuilder slab = box({40.0f, 300.0f, 10.0f});
  for (int i = 0; i < 4; ++i) {
    const float a = kPi * 0.25f + kPi * 0.5f * static_cast<float>(i);
    scene.addMesh("monolith0" + std::to_string(i + 1), slab, glass,
                  {{480.0f * std::cos(a), 150.0f, 480.0f * std::sin(a)},
                   Rotation::axisAngle({0, 1, 0}, -a * 180.0f / kPi + 90.0f)});
  }

  const MeshBuilder orbMesh = sphere(10.0f, 12, 8);
  for (int i = 0; i < 8; ++i) {
    const float phase = static_cast<float>(i) * 0.785f;
    Animation drift;
    drift.positions = scene.track([&](float t) {
      const float a = 2.0f * kPi * t + phase;
      const float r = 380.0f + 120.0f * std::sin(a * 3.0f);
      return Vec3{r * std::cos(a), 120.0f + 60.0f * std::sin(a * 5.0f + phase), r * std::sin(a)};
    });
    scene.addMesh("orb0" + std::to_string(i + 1), orbMesh, orb, {drift.positions.front()}, -1, drift);
  }

  Animation wide;
  wide.positions = scene.track([](float t) {
    const float a = 2.0f * kPi * t + 0.5f;
    return Vec3{820.0f * std::sin(a), 260.0f + 120.0f * std::sin(2.0f * a), 820.0f * std::cos(a)};
  });
  Animation wideLook;
  wideLook.positions = scene.track([](float t) { return Vec3{60.0f * std::sin(2.0f * kPi * 2.0f * t), 120.0f, 0.0f}; });
  const int wideTarget = scene.addHelper("Camera01.Target", {{0, 120, 0}}, -1, wideLook);
  scene.addCamera("Camera01", wide.positions.front(), wideTarget, 60.0f, 2.0f, 5000.0f, wide);

  const SplinePath glide({{-600, 60, 500},
                          {-150, 90, 250},
                          {120, 110, 120},
                          {380, 80, -200},
                          {100, 140, -450},
                          {-350, 100, -300},
                          {-450, 70, 150}},
                         true);
  const SplinePath glideLook({{0, 150, 0}, {0, 170, -320}, {300, 160, -90}, {180, 170, 260}, {-290, 170, 120}}, true);
  Animation glideTrack, glideLookTrack;
  glideTrack.positions = scene.track([&](float t) { return glide.at(t); });
  glideLookTrack.positions = scene.track([&](float t) { return glideLook.at(t); });
  const int glideTarget = scene.addHelper("Camera02.Target", {{0, 150, 0}}, -1, glideLookTrack);
  scene.addCamera("Camera02", glideTrack.positions.front(), glideTarget, 75.0f, 2.0f, 5000.0f, glideTrack);

  const int centreMark = scene.addHelper("Spot01.Target", {{0, 120, 0}});
  scene.addLight("Omni01", {0, 500, 0}, light(0, {0.55f, 0.6f, 0.8f}, 0.8f));
  scene.addLight("Spot01", {250, 700, 250}, light(1, {1.0f, 0.85f, 0.6f}, 1.2f, 0.0f, centreMark, 40.0f, 3.0f));
  scene.addLight("Spot02", {0, 220, 900}, light(2, {0.5f, 0.7f, 1.0f}, 0.9f, 0.0f, -1, 30.0f, 5.0f));
  scene.addLight("Moon01", {-1200, 1800, -900}, light(3, {0.3f, 0.35f, 0.55f}, 1.0f, 0.0f, centreMark));
  return scene;
}

}  // namespace scenegen
