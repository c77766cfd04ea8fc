// data/scenes/scene4.vdg: a flight through a winding tunnel. The tube follows a closed path
// (seen from inside), glowing rings hang in it at even spacing, and the camera rides the path
// looking a little ahead, with "Omni01" travelling beside it. Cameras: the ride, and a fixed
// view down one straight with its own target.
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"
#include "SplinePath.h"

namespace scenegen {
namespace {

constexpr float kTubeRadius = 60.0f;

// A frame across the path at t: the tangent and two axes across it (the path is never vertical).
struct PathFrame {
  Vec3 point, tangent, side, up;
};

PathFrame frameAt(const SplinePath& path, float t) {
  const float dt = 0.001f;
  const Vec3 a = path.at(std::fmod(t - dt + 1.0f, 1.0f)), b = path.at(std::fmod(t + dt, 1.0f));
  PathFrame f;
  f.point = path.at(t);
  f.tangent = normalized(b - a);
  f.side = normalized(cross(f.tangent, Vec3{0, 1, 0}));
  f.up = cross(f.side, f.tangent);
  return f;
}

// The tube around the path, facing inwards; u runs around, v along.
MeshBuilder tube(const SplinePath& path, int rings, int sides) {
  MeshBuilder mesh;
  for (int i = 0; i <= rings; ++i) {
    const PathFrame f = frameAt(path, static_cast<float>(i % rings) / static_cast<float>(rings));
    for (int j = 0; j <= sides; ++j) {
      const float a = 2.0f * kPi * static_cast<float>(j % sides) / static_cast<float>(sides);
      const Vec3 out = f.side * std::cos(a) + f.up * std::sin(a);
      mesh.addVertex(f.point + out * kTubeRadius, -out,
                     {4.0f * static_cast<float>(j) / static_cast<float>(sides), static_cast<float>(i) * 0.25f});
    }
  }
  const int row = sides + 1;
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < sides; ++j) {
      const int a = i * row + j;
      mesh.addQuad(a, a + 1, a + row + 1, a + row);
    }
  return mesh;
}

// A rotation that turns +Y onto the path's tangent (rings lie across the tube).
Rotation alongPath(const PathFrame& f) {
  const Vec3 axis = cross(Vec3{0, 1, 0}, f.tangent);
  const float s = length(axis), c = dot(Vec3{0, 1, 0}, f.tangent);
  if (s < 1e-6f) return {};
  return Rotation::axisAngle(axis, std::atan2(s, c) * 180.0f / kPi);
}

}  // namespace

SceneBuilder buildTunnelScene() {
  SceneBuilder scene(601, kSceneStep);
  const int wall = scene.addMaterial(
      material("tunnel", {0.8f, 0.8f, 0.85f}, {{"metal.png", 1}, {"lightmap.png", 7}}, 1.0f, 0.4f, 0.6f));
  const int glow = scene.addMaterial(material("ring", {1, 1, 1}, {{"neon.png", 10}}));
  const int core = scene.addMaterial(material("core", {1, 1, 1}, {{"glow.png", 10}}));

  const SplinePath path({{0, 0, 900},
                         {500, 80, 700},
                         {800, -40, 150},
                         {600, 120, -500},
                         {0, 40, -850},
                         {-550, -60, -600},
                         {-850, 60, 0},
                         {-500, -20, 650}},
                        true);
  MeshBuilder walls = tube(path, 160, 16);
  std::vector<Vec2> lightUv;  // the light map stretched along the tube: pools of light on the walls
  for (const Vec2& uv : walls.uvs()) lightUv.push_back({uv.u * 0.25f, uv.v * 0.125f});
  walls.setSecondUv(lightUv);
  scene.addMesh("tunnel", walls, wall, {});

  const MeshBuilder ring = torus(kTubeRadius * 0.85f, 2.5f, 24, 6);
  for (int i = 0; i < 16; ++i) {
    const PathFrame f = frameAt(path, static_cast<float>(i) / 16.0f);
    scene.addMesh("ring" + std::to_string(i + 1), ring, glow, {f.point, alongPath(f)});
  }

  // The ride: the camera goes round once; its target and the light keep a little ahead.
  Animation ride, ahead, lamp;
  ride.positions = scene.track([&](float t) { return path.at(t) + Vec3{0.0f, -10.0f, 0.0f}; });
  ahead.positions = scene.track([&](float t) { return path.at(std::fmod(t + 0.03f, 1.0f)); });
  lamp.positions = scene.track([&](float t) { return path.at(std::fmod(t + 0.05f, 1.0f)) + Vec3{0.0f, 25.0f, 0.0f}; });
  const int target = scene.addHelper("Camera01.Target", {ahead.positions.front()}, -1, ahead);
  scene.addCamera("Camera01", ride.positions.front(), target, 80.0f, 1.0f, 3000.0f, ride);
  const int orb = scene.addMesh("lamp", sphere(5.0f, 10, 6), core, {lamp.positions.front()}, -1, lamp);
  scene.addLight("Omni01", lamp.positions.front(), light(0, {1.0f, 0.85f, 0.6f}, 1.5f, 400.0f), orb, lamp);

  const PathFrame straight = frameAt(path, 0.06f);
  const int down = scene.addHelper("Camera02.Target", {path.at(0.12f)});
  scene.addCamera("Camera02", straight.point, down, 70.0f, 1.0f, 3000.0f);

  const int mark = scene.addHelper("Spot01.Target", {path.at(0.5f)});
  scene.addLight("Spot01", path.at(0.45f) + Vec3{0, 40, 0},
                 light(1, {0.6f, 0.7f, 1.0f}, 1.0f, 800.0f, mark, 60.0f, 2.0f));
  return scene;
}

}  // namespace scenegen
