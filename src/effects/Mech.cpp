#include "Mech.h"

#include <cmath>

#include "ChainSegment.h"
#include "Effect3D.h"
#include "ErrorReport.h"
#include "MeshObject.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"

Mech::Mech(const std::string& name) : Effect(name) {
  _scene = SceneLoaderVDG().read(kSceneFile, Effect3D::kTextureDirectory);
  if (!_scene) {
    reportErrorText(__FILE__, __LINE__, "could not load scene", kSceneFile, false);
    return;
  }
  if (_scene->cameraCount() == 0) {
    reportErrorText(__FILE__, __LINE__, "no camera in scene", kSceneFile, true);
    _scene.reset();
    return;
  }
  _chain.level().segmentCount = kSegments;
  _chain.setTemplate(dynamic_cast<const MeshObject*>(_scene->findObject("Cylinder73")), kSegmentLength);
  SceneObject* capsule = _scene->findObject("Capsule01");
  ChainSegment* root = _chain.build();
  if (capsule && root) {
    root->setPosition(Vector3{-10.0f, 0.0f, 0.0f});
    root->setRotation(0.0f, 90.0f, 90.0f);
    capsule->appendChild(root);
  }
  if (CameraObject* camera = _scene->findCamera("Camera01")) {
    camera->setPosition(Vector3{0.0f, 10.0f, 600.0f});
    if (SceneObject* target = camera->target()) target->setPosition(Vector3{0.0f, 10.0f, 0.0f});
  }
}

Mech::~Mech() = default;

void Mech::start(uint32_t time) {
  Effect::start(time);
  if (_scene) _scene->reapplyLights();
}

void Mech::bendChain(float phase) {
  ChainLevel& level = _chain.level();
  level.bend = 200.0f * std::sin(0.0125f * phase + 3.14159f) + 100.0f * std::sin(0.02f * phase + 0.5f);
  level.curl = 360.0f * std::sin(0.02f * phase);
}

void Mech::render(uint32_t) {
  if (!_scene) return;
  bendChain(_phase);
  _scene->render();
}
