#include "Tentacle.h"

#include <cmath>

#include "ChainSegment.h"
#include "ErrorReport.h"
#include "MeshObject.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"

namespace {

// Where the chains hang: chain i (0-based) hangs under kMounts[i % 5].
struct Mount {
  const char* helper;
  Vector3 position;
  Vector3 rotation;  // degrees
};
const Mount kMounts[5] = {
    {"Dummy01", Vector3{0.0f, 0.0f, -50.0f}, Vector3{0.0f, 90.0f, 90.0f}},
    {"Dummy02", Vector3{}, Vector3{-90.0f, 0.0f, 0.0f}},
    {"Dummy03", Vector3{}, Vector3{90.0f, 0.0f, 0.0f}},
    {"Dummy04", Vector3{}, Vector3{0.0f, 0.0f, -70.0f}},
    {"Dummy05", Vector3{}, Vector3{}},
};

}  // namespace

Tentacle::Tentacle() : Effect3D("Tentacle") {
  registerFloat(_tentacleSpeed, "TentacleSpeed", 0.5f);
  // The chains are hung into the scene, so it is this effect's own copy.
  setPrivateScenes(true);
  loadScene(kSceneFile);
  Scene* parts = SceneLoaderVDG::load(kPartsFile, kTextureDirectory);
  if (!parts) reportErrorText(__FILE__, __LINE__, "could not load scene", kPartsFile, false);
  const MeshObject* segment = parts ? dynamic_cast<const MeshObject*>(parts->findObject(kTemplateName)) : nullptr;
  for (std::unique_ptr<SegmentChain>& chain : _chains) {
    chain = std::make_unique<SegmentChain>();
    chain->level().segmentCount = kSegments;
    chain->setTemplate(segment, kSegmentLength);
  }
  if (!scene()) return;
  for (int32_t i = 0; i < kChains; ++i) {
    const Mount& mount = kMounts[i % 5];
    SceneObject* helper = scene()->findObject(mount.helper);
    ChainSegment* root = _chains[size_t(i)]->build();
    if (!helper || !root) continue;
    root->setPosition(mount.position);
    root->setRotation(mount.rotation.x, mount.rotation.y, mount.rotation.z);
    helper->appendChild(root);
  }
  for (const char* name : {"mother", "Dummy01", "Dummy02", "Dummy03", "Dummy04", "Dummy05"})
    if (SceneObject* object = scene()->findObject(name)) setChildrenInheritChain(object, true);
  scene()->setActiveCamera(std::string("Camera06"));
}

Tentacle::~Tentacle() = default;

void Tentacle::bendChains(float phase, float speed) {
  const float c = speed * phase * 8.0f;
  const float s = 0.02f * c;
  const float D = 200.0f * std::sin(0.0125f * c + 3.1f) + 100.0f * std::sin(s + 0.5f);
  const float F = 80.0f * std::sin(c / 120.0f + 3.3f) + 150.0f * std::sin(c / 30.0f + 1.0f);
  const float G = 220.0f * std::sin(0.01f * c + 1.1f) + 70.0f * std::sin(s + 0.8f);
  const float H = 360.0f * std::sin(s);
  const float L = 180.0f * std::sin(0.00625f * c + 2.3f) + 260.0f * std::sin(c / 60.0f + 2.2f);
  const float M = 120.0f * std::sin(c / 150.0f + 1.3f) + 250.0f * std::sin(0.025f * c + 4.2f);
  const float bendCurl[kChains][2] = {{D, F}, {G, D}, {H, G}, {D, L}, {H, F}, {L, D}, {D, M}, {M, H}, {M, F}, {L, M}};
  for (int32_t i = 0; i < kChains; ++i) {
    ChainLevel& level = _chains[size_t(i)]->level();
    level.bend = bendCurl[i][0];
    level.curl = bendCurl[i][1];
  }
}

void Tentacle::render(uint32_t time) {
  if (!scene()) return;
  advanceScene();
  bendChains(_phase, _tentacleSpeed.valueAt(time));
  scene()->render();
}
