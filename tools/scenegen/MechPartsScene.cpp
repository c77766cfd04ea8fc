// data/scenes/mechparts.vdg: the parts the tentacle machines are made of. "Cylinder73" is the
// segment template: the segment chains clone it and stack the clones 22 units apart along +Y,
// so it runs from y = 0 to y = 22 around the Y axis. "Capsule01" is the pod the "Mech" effect
// hangs its chain from; "Camera01" and its target are placed by that effect. The effect draws
// this scene without animating it, so nothing here moves.
#include <cmath>

#include "SceneParts.h"
#include "Scenes.h"
#include "Shapes.h"

namespace scenegen {

SceneBuilder buildMechPartsScene() {
  SceneBuilder scene(2, kSceneStep);
  const int steel =
      scene.addMaterial(material("steel", {0.75f, 0.75f, 0.8f}, {{"C:\\maps\\metal.png", 1}}, 1.0f, 0.6f, 0.8f));
  const int segment = scene.addMaterial(
      material("segment", {0.85f, 0.8f, 0.8f}, {{"metal.png", 1}, {"chrome.png", 9}}, 1.0f, 0.7f, 1.0f));
  const int floor = scene.addMaterial(material("deck", {0.4f, 0.4f, 0.45f}, {{"concrete.png", 1}}, 1.0f, 0.1f, 0.2f));
  const int lamp = scene.addMaterial(material("lamp", {1, 1, 1}, {{"glow.png", 10}}));

  // A segment: a waisted tube with a collar at its lower joint (the next segment's base sits on
  // its top), open at both ends because the chain hides them.
  const MeshBuilder segmentMesh =
      lathe({{5.5f, 0.0f}, {7.5f, 2.0f}, {7.5f, 5.0f}, {6.0f, 7.0f}, {5.0f, 15.0f}, {5.5f, 22.0f}}, 10, 1.0f, 1.0f);
  scene.addMesh("Cylinder73", segmentMesh, segment, {{180.0f, -140.0f, -60.0f}});

  const MeshBuilder pod = capsule(22.0f, 110.0f, 16, 5);
  scene.addMesh("Capsule01", pod, steel, {{0, 0, 0}, Rotation::axisAngle({0, 0, 1}, 90.0f)});

  // Brackets holding the pod, and a deck below.
  MeshBuilder bracket = box({12.0f, 160.0f, 12.0f});
  scene.addMesh("Bracket01", bracket, steel, {{-40.0f, 95.0f, 0.0f}});
  scene.addMesh("Bracket02", bracket, steel, {{40.0f, 95.0f, 0.0f}});
  MeshBuilder gear = extrude(gearOutline(14, 30.0f, 38.0f), 10.0f);
  scene.addMesh("Gear01", gear, steel, {{-150.0f, -120.0f, -80.0f}, Rotation::axisAngle({0, 1, 0}, 30.0f)});
  MeshBuilder deck = box({900.0f, 10.0f, 600.0f});
  deck.scaleUv(6.0f, 4.0f);
  scene.addMesh("Deck01", deck, floor, {{0.0f, -190.0f, -100.0f}});
  scene.addMesh("Lamp01", sphere(8.0f, 10, 6), lamp, {{0.0f, -25.0f, 0.0f}});

  const int target = scene.addHelper("Camera01.Target", {{0.0f, 10.0f, 0.0f}});
  scene.addCamera("Camera01", {0.0f, 10.0f, 600.0f}, target, 55.0f, 5.0f, 3000.0f);

  const int podMark = scene.addHelper("Spot01.Target", {{0.0f, -100.0f, 100.0f}});
  scene.addLight("Omni01", {250.0f, 300.0f, 400.0f}, light(0, {1.0f, 0.95f, 0.85f}, 1.0f));
  scene.addLight("Spot01", {-100.0f, 500.0f, 350.0f}, light(1, {0.8f, 0.85f, 1.0f}, 0.8f, 0.0f, podMark, 50.0f, 1.0f));
  scene.addLight("Omni02", {-300.0f, -100.0f, 200.0f}, light(0, {0.2f, 0.3f, 0.6f}, 1.0f, 800.0f));
  return scene;
}

}  // namespace scenegen
