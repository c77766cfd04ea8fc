// data/scenes/scene1.vdg: a night flight down a city avenue. Towers with lit windows line the
// avenue (x = 0); neon bands glow additively, glass bridges span the street, a drone carries a
// light down the avenue. Cameras: a flight along the avenue, a high orbit, a street-level view.
// Lights: "Omni01" on the drone, a searchlight free spot, a targeted directional moon.
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"
#include "SplinePath.h"

namespace scenegen {
namespace {

// A tower block standing on y = 0, its window texture tiled by its size.
MeshBuilder tower(float width, float height, float depth) {
  MeshBuilder b = box({width, height, depth});
  b.transform({1, 1, 1}, {}, {0.0f, height * 0.5f, 0.0f});
  for (size_t i = 0; i < b.vertexCount(); ++i) {
    const Vec3& n = b.normals()[i];
    Vec2& uv = b.uvs()[i];
    if (std::fabs(n.y) > 0.5f) {
      uv = {uv.u * 0.2f, uv.v * 0.2f};  // roofs: a dark corner of the texture
    } else {
      const float across = std::fabs(n.x) > 0.5f ? depth : width;
      uv = {uv.u * std::round(across / 50.0f), uv.v * std::round(height / 40.0f)};
    }
  }
  return b;
}

float cellRandom(int i, int j, int salt) {
  uint32_t h = static_cast<uint32_t>(i * 7919 + j * 104729 + salt * 15485863);
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<float>((h ^ (h >> 16)) & 0xFFFFu) / 65535.0f;
}

}  // namespace

SceneBuilder buildCityScene() {
  SceneBuilder scene(601, kSceneStep);
  const int facade = scene.addMaterial(material("facade", {0.9f, 0.9f, 0.95f}, {{"windows.png", 1}}, 1.0f, 0.3f, 0.4f));
  const int street = scene.addMaterial(
      material("street", {0.6f, 0.6f, 0.65f}, {{"concrete.png", 1}, {"lightmap.png", 7}}, 1.0f, 0.1f, 0.2f));
  const int neon = scene.addMaterial(material("neon", {1, 1, 1}, {{"neon.png", 10}}));
  const int glass = scene.addMaterial(material("glass", {0.5f, 0.7f, 0.9f}, {}, 0.4f, 0.9f, 1.0f));
  const int mast = scene.addMaterial(material("mast", {0.6f, 0.6f, 0.6f}, {{"metal.png", 1}}, 1.0f, 0.5f, 0.5f));
  const int beacon = scene.addMaterial(material("beacon", {1, 1, 1}, {{"glow.png", 10}}));

  MeshBuilder ground = terrain(2400.0f, 2400.0f, 12, 12, 24.0f, [](float, float) { return 0.0f; });
  ground.setSecondUvFromPlanarXZ(-1200.0f, -1200.0f, 2400.0f, 2400.0f);
  scene.addMesh("street", ground, street, {});

  // Blocks on a grid, leaving the avenue (|x| < 90) free.
  int towerNumber = 0;
  const MeshBuilder antenna = cylinder(2.0f, 60.0f, 6);
  const MeshBuilder beaconBall = sphere(4.0f, 8, 5);
  for (int i = -3; i <= 3; ++i) {
    for (int j = -4; j <= 4; ++j) {
      if (i == 0) continue;
      const float w = 70.0f + 60.0f * cellRandom(i, j, 1), d = 70.0f + 60.0f * cellRandom(i, j, 2);
      const float nearAvenue = std::abs(i) == 1 ? 1.0f : 0.6f;
      const float h = (120.0f + 380.0f * cellRandom(i, j, 3) * cellRandom(i, j, 4)) * nearAvenue + 60.0f;
      const float x = static_cast<float>(i) * 200.0f + (i > 0 ? -40.0f : 40.0f) + 20.0f * cellRandom(i, j, 5);
      const float z = static_cast<float>(j) * 220.0f;
      const std::string name = "tower" + std::to_string(++towerNumber);
      const int towerId = scene.addMesh(name, tower(w, h, d), facade, {{x, 0.0f, z}});
      if (cellRandom(i, j, 6) > 0.55f) {  // a mast with a beacon; children are placed in world space
        scene.addMesh(name + ".mast", antenna, mast, {{x, h, z}}, towerId);
        scene.addMesh(name + ".beacon", beaconBall, beacon, {{x, h + 62.0f, z}}, towerId);
      }
      if (std::abs(i) == 1 && (j + 4) % 2 == 0) {  // a neon band on the side facing the avenue
        MeshBuilder band = box({4.0f, 10.0f, d * 0.9f});
        band.transform({1, 1, 1}, {},
                       {x + (i > 0 ? -w * 0.5f - 2.0f : w * 0.5f + 2.0f), h * 0.3f + 40.0f * cellRandom(i, j, 7), z});
        scene.addMesh(name + ".neon", band, neon, {});
      }
    }
  }
  for (int k = 0; k < 3; ++k) {
    MeshBuilder bridge = box({180.0f, 14.0f, 26.0f});
    scene.addMesh("bridge0" + std::to_string(k + 1), bridge, glass,
                  {{0.0f, 90.0f + 70.0f * static_cast<float>(k), 330.0f - 440.0f * static_cast<float>(k)}});
  }
  scene.addMesh("spire", tower(120.0f, 700.0f, 120.0f), glass, {{0.0f, 0.0f, -1100.0f}});

  // The drone: down the avenue and back, weaving; its light is "Omni01".
  const SplinePath droneRoute(
      {{0, 60, 1000}, {40, 80, 500}, {-35, 55, 0}, {30, 100, -500}, {0, 140, -950}, {-20, 200, -400}, {25, 120, 300}},
      true);
  Animation droneFlight;
  droneFlight.positions = scene.track([&](float t) { return droneRoute.at(t); });
  const int drone = scene.addMesh("drone", sphere(6.0f, 10, 6), beacon, {{0, 60, 1000}}, -1, droneFlight);
  scene.addLight("Omni01", {0, 60, 1000}, light(0, {1.0f, 0.6f, 0.3f}, 1.5f, 500.0f), drone, droneFlight);

  // Cameras. Camera01 flies the avenue looking a little ahead along its own path.
  const SplinePath flight(
      {{0, 40, 1150}, {30, 70, 700}, {-30, 50, 250}, {25, 110, -250}, {-10, 160, -650}, {0, 320, -900}}, false);
  Animation fly, ahead;
  fly.positions = scene.track([&](float t) { return flight.at(t); });
  ahead.positions = scene.track([&](float t) {
    return flight.at(std::fmin(t + 0.08f, 1.0f)) + Vec3{0.0f, -10.0f, -200.0f * t};
  });
  const int aheadId = scene.addHelper("Camera01.Target", {{0, 40, 1000}}, -1, ahead);
  scene.addCamera("Camera01", {0, 40, 1150}, aheadId, 70.0f, 2.0f, 4000.0f, fly);

  Animation orbit;
  orbit.positions = scene.track([](float t) {
    const float a = 2.0f * kPi * t;
    return Vec3{1300.0f * std::sin(a), 700.0f + 150.0f * std::sin(2.0f * a), 1300.0f * std::cos(a)};
  });
  const int centre = scene.addHelper("Camera02.Target", {{0.0f, 100.0f, 0.0f}});
  scene.addCamera("Camera02", {0, 700, 1300}, centre, 60.0f, 5.0f, 5000.0f, orbit);
  scene.addCamera("Camera03", {-60, 12, 600}, drone, 80.0f, 1.0f, 4000.0f);

  // A searchlight pointing down the avenue (free spots shine along -Z) and the moon.
  scene.addLight("Spot02", {0, 260, 1150}, light(2, {0.7f, 0.8f, 1.0f}, 1.2f, 0.0f, -1, 25.0f, 8.0f));
  scene.addLight("Moon01", {-1500, 2500, 1200}, light(3, {0.35f, 0.4f, 0.6f}, 1.0f, 0.0f, centre));
  return scene;
}

}  // namespace scenegen
