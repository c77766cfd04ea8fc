// data/scenes/scene3.vdg: a machine hall. A grated catwalk floor (the grating's holes come from an
// opacity map) over a pit of glowing cables, bump-mapped concrete walls, steel pillars, turning
// gear trains, pumping pistons and a travelling crane (crane, trolley and hook form a hierarchy).
// "Spot01" hangs over the centre machine and casts the shadows; a glass control-room window is
// the transparent piece. Cameras: a dolly down the hall, a crane shot, a close look at the gears.
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"
#include "SplinePath.h"

namespace scenegen {

SceneBuilder buildMachineHallScene() {
  SceneBuilder scene(601, kSceneStep);
  const int grating = scene.addMaterial(
      material("grating", {0.8f, 0.8f, 0.75f}, {{"grating.png", 1}, {"grating_mask.png", 6}}, 1.0f, 0.3f, 0.5f));
  const int wall = scene.addMaterial(
      material("wall", {0.7f, 0.7f, 0.72f}, {{"concrete.png", 1}, {"bump.png", 8}}, 1.0f, 0.05f, 0.1f));
  const int steel =
      scene.addMaterial(material("steel", {0.75f, 0.75f, 0.8f}, {{"C:\\maps\\metal.png", 1}}, 1.0f, 0.6f, 0.9f));
  const int painted = scene.addMaterial(material("painted", {0.85f, 0.55f, 0.1f}, {}, 1.0f, 0.4f, 0.6f));
  const int cable = scene.addMaterial(material("cable", {1, 1, 1}, {{"neon.png", 10}}));
  const int glass = scene.addMaterial(material("glass", {0.5f, 0.8f, 0.7f}, {}, 0.3f, 0.9f, 1.0f));

  // The hall: a box seen from inside, 1400 long (z), 900 wide, 520 high; the pit floor at y = -60.
  MeshBuilder hall = box({900.0f, 580.0f, 1400.0f});
  hall.flip();
  hall.scaleUv(6.0f, 4.0f);
  scene.addMesh("hall", hall, wall, {{0.0f, 230.0f, 0.0f}});
  MeshBuilder catwalk = terrain(860.0f, 1360.0f, 4, 6, 12.0f, [](float, float) { return 0.0f; });
  scene.addMesh("catwalk", catwalk, grating, {});
  for (int i = 0; i < 5; ++i) {
    MeshBuilder glowCable = box({6.0f, 6.0f, 1300.0f});
    glowCable.scaleUv(1.0f, 20.0f);
    scene.addMesh("cable0" + std::to_string(i + 1), glowCable, cable,
                  {{-300.0f + 150.0f * static_cast<float>(i), -45.0f, 0.0f}});
  }

  const MeshBuilder pillar = box({40.0f, 520.0f, 40.0f});
  for (int i = 0; i < 6; ++i) {
    const float x = i % 2 ? 380.0f : -380.0f, z = -450.0f + 450.0f * static_cast<float>(i / 2);
    scene.addMesh("Pillar0" + std::to_string(i + 1), pillar, steel, {{x, 200.0f, z}});
  }

  // Gear trains on two machines: neighbouring gears turn the opposite way at the ratio of their teeth.
  struct Gear {
    Vec3 position;
    int teeth;
    float radius;
  };
  const Gear gears[] = {{{-180, 130, -235}, 16, 60},
                        {{-180 + 60 + 38, 130 + 10, -235}, 10, 38},
                        {{-180 + 60 + 76 + 30, 140 - 35, -235}, 8, 30},
                        {{240, 120, 150}, 20, 80},
                        {{240 - 80 - 44, 120 + 30, 150}, 12, 44}};
  float spinTurns = 2.0f;
  for (int i = 0; i < 5; ++i) {
    const Gear& g = gears[i];
    if (i == 3) spinTurns = -1.5f;
    const float turns = spinTurns * (i % 2 ? -1.0f : 1.0f) * 16.0f / static_cast<float>(g.teeth);
    const std::string name = "Gear0" + std::to_string(i + 1);
    const int gearId = scene.addMesh(name, extrude(gearOutline(g.teeth, g.radius * 0.85f, g.radius), 14.0f), painted,
                                     {g.position}, -1, spin(scene, {0, 0, 1}, turns));
    MeshBuilder axle = cylinder(6.0f, 40.0f, 8);
    axle.transform({1, 1, 1}, Rotation::axisAngle({1, 0, 0}, 90.0f), {0.0f, 0.0f, -20.0f});
    scene.addMesh(name + ".axle", axle, steel, {g.position}, gearId);
  }
  // The machine bodies behind the gears, leaving the middle of the hall open.
  MeshBuilder housing = box({300.0f, 240.0f, 100.0f});
  scene.addMesh("Machine01", housing, steel, {{-120.0f, 120.0f, -300.0f}});
  scene.addMesh("Machine02", housing, steel, {{200.0f, 120.0f, 80.0f}});

  // Pistons: housings with rods that pump in turn.
  for (int i = 0; i < 4; ++i) {
    const Vec3 base{-240.0f + 160.0f * static_cast<float>(i), 0.0f, 420.0f};
    const int housingId =
        scene.addMesh("Cylinder0" + std::to_string(i + 1), cylinder(30.0f, 120.0f, 16), painted, {base});
    scene.addMesh("Piston0" + std::to_string(i + 1), cylinder(14.0f, 160.0f, 12), steel, {base}, housingId,
                  bob(scene, base + Vec3{0.0f, 60.0f, 0.0f}, 55.0f, 12.0f, static_cast<float>(i) * kPi * 0.5f));
  }

  // The crane runs along the hall; the trolley runs across it, the hook goes up and down.
  Animation craneRun;
  craneRun.positions = scene.track([](float t) { return Vec3{0.0f, 470.0f, 500.0f * std::sin(2.0f * kPi * t)}; });
  const int crane = scene.addMesh("Crane01", box({880.0f, 30.0f, 40.0f}), painted, {{0, 470, 0}}, -1, craneRun);
  Animation trolleyRun;
  trolleyRun.positions = scene.track([&](float t) {
    return craneRun.positions[static_cast<size_t>(std::lround(t * static_cast<float>(scene.frameCount() - 1)))] +
           Vec3{300.0f * std::sin(2.0f * kPi * 3.0f * t), -30.0f, 0.0f};
  });
  const int trolley = scene.addMesh("Trolley01", box({60.0f, 30.0f, 60.0f}), steel, {{0, 440, 0}}, crane, trolleyRun);
  Animation hookRun;
  hookRun.positions = scene.track([&](float t) {
    return trolleyRun.positions[static_cast<size_t>(std::lround(t * static_cast<float>(scene.frameCount() - 1)))] +
           Vec3{0.0f, -150.0f - 100.0f * std::sin(2.0f * kPi * 5.0f * t), 0.0f};
  });
  scene.addMesh("Hook01", torus(14.0f, 4.0f, 12, 6), steel, {{0, 290, 0}, Rotation::axisAngle({1, 0, 0}, 90.0f)},
                trolley, hookRun);

  scene.addMesh("window", box({300.0f, 120.0f, 6.0f}), glass, {{0.0f, 330.0f, 690.0f}});

  // Cameras.
  const SplinePath dolly({{-300, 60, 650}, {-280, 90, 300}, {-300, 80, 0}, {-320, 140, -350}, {-100, 300, -620}},
                         false);
  Animation dollyTrack, dollyLook;
  dollyTrack.positions = scene.track([&](float t) { return dolly.at(t); });
  dollyLook.positions = scene.track([&](float t) { return Vec3{60.0f, 130.0f, 250.0f - 600.0f * t}; });
  const int dollyTarget = scene.addHelper("Camera01.Target", {{60, 130, 250}}, -1, dollyLook);
  scene.addCamera("Camera01", {-300, 60, 650}, dollyTarget, 70.0f, 2.0f, 4000.0f, dollyTrack);

  Animation craneShot;
  craneShot.positions = scene.track([](float t) {
    const float a = 2.0f * kPi * t * 0.75f;
    return Vec3{250.0f * std::sin(a), 420.0f - 80.0f * t, 620.0f * std::cos(a)};  // above the machines
  });
  const int hallCentre = scene.addHelper("Camera02.Target", {{0, 100, 0}});
  scene.addCamera("Camera02", craneShot.positions.front(), hallCentre, 65.0f, 2.0f, 4000.0f, craneShot);
  scene.addCamera("Camera03", {-60, 180, 40}, scene.addHelper("Camera03.Target", {{-120, 130, -235}}), 45.0f, 2.0f,
                  4000.0f);

  const int machineMark = scene.addHelper("Spot01.Target", {{40, 100, -80}});
  scene.addLight("Omni01", {0, 420, 0}, light(0, {1.0f, 0.9f, 0.75f}, 0.7f));
  scene.addLight("Spot01", {-150, 480, 250}, light(1, {1.0f, 0.95f, 0.85f}, 1.3f, 0.0f, machineMark, 45.0f, 2.0f));
  scene.addLight("Spot02", {200, 250, 690}, light(2, {0.6f, 0.8f, 1.0f}, 0.8f, 0.0f, -1, 35.0f, 6.0f));
  scene.addLight("Dir01", {-400, 500, -650}, light(3, {0.3f, 0.35f, 0.5f}, 0.8f, 0.0f, hallCentre));
  return scene;
}

}  // namespace scenegen
