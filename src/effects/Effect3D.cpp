#include "Effect3D.h"

#include <epoxy/gl.h>

#include "ErrorReport.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"

namespace {

// Linear fog distances are given in units of 1/30000 of the scene's depth range.
constexpr float kFogDistanceScale = 30000.0f;

// Reacts to a variable only when its change flag is up, and lowers the flag.
bool takeChange(EffectVariable& variable) {
  if (!variable.isChanged()) return false;
  variable.clearChanged();
  return true;
}

}  // namespace

Effect3D::Effect3D(const std::string& name) : Effect(name) {
  registerVariable(_datafile, "Datafile", EffectVariable::kStringList0, EffectVariable::kInt);
  _datafile.setCurrentValue(0);
  _datafile.setListIndexed(true);
  registerBool(_loop, "Loop", false);
  registerBool(_shadows, "Shadows", false);
  registerVariable(_camera, "Camera", EffectVariable::kStringList1000, EffectVariable::kInt);
  _camera.setCurrentValue(0);
  _camera.setListIndexed(true);
  registerFloat(_fov, "FOV", 0.25f);
  registerBool(_fog, "Fog", false);
  registerVariable(_fogMode, "FogMode", EffectVariable::kNoStringList, EffectVariable::kInt);
  _fogMode.setCurrentValue(0);
  registerFloat(_fogRed, "FogR", 0.0f);
  registerFloat(_fogGreen, "FogG", 0.0f);
  registerFloat(_fogBlue, "FogB", 0.0f);
  registerFloat(_fogDensity, "FogDensity", 0.5f);
  registerFloat(_fogScale, "FogScale", 0.016666668f);
  registerFloat(_fogStart, "FogStart", 0.2f);
  registerFloat(_fogEnd, "FogEnd", 2.0f);
  registerBool(_lightingOn, "LightingOn", false);
  registerBool(_lightingOff, "LightingOff", false);
  registerBool(_moreLight, "MoreLight", false);
  registerBool(_vertexShader, "VShader", false);
}

Effect3D::~Effect3D() = default;

void Effect3D::setChildrenInheritChain(SceneObject* object, bool inherit) {
  // Along the siblings by loop, down the children by recursion (nesting is bounded by the loader).
  for (SceneObject* o = object; o; o = o->nextSibling()) {
    o->setChildrenInherit(inherit);
    if (o->firstChild()) setChildrenInheritChain(o->firstChild(), inherit);
  }
}

bool Effect3D::loadScene(const std::string& fileName) {
  if (fileName.empty() || fileName == _sceneFile) return false;
  Scene* loaded = nullptr;
  std::unique_ptr<Scene> own;
  if (_privateScenes) {
    own = SceneLoaderVDG().read(fileName, kTextureDirectory);
    loaded = own.get();
  } else {
    loaded = SceneLoaderVDG::load(fileName, kTextureDirectory);
  }
  if (!loaded) {
    reportErrorText(__FILE__, __LINE__, "could not load scene", fileName.c_str(), false);
    return false;
  }
  if (loaded->cameraCount() == 0) {
    reportErrorText(__FILE__, __LINE__, "no camera in scene", fileName.c_str(), true);
    return false;
  }
  _scene = loaded;
  _ownScene = std::move(own);
  _sceneFile = fileName;
  _picked = nullptr;  // the pick belonged to the previous scene
  _camera.setCurrentValue(0);
  _camera.setCount(uint32_t(_scene->cameraCount()));
  clearStrings(EffectVariable::kStringList1000);
  for (int32_t i = 0; i < _scene->cameraCount(); ++i)
    addString(EffectVariable::kStringList1000, _scene->camera(i)->name());
  if (const CameraObject* active = _scene->activeCamera()) _fov.setCurrentValue(active->fieldOfView() / 180.0f);
  return true;
}

void Effect3D::onStringAdded(int32_t list, const std::string& text, uint32_t count) {
  if (list != EffectVariable::kStringList0) return;
  loadScene(text);
  _datafile.setCount(count);
}

void Effect3D::checkDatafile(uint32_t time) {
  const uint32_t index = _datafile.valueAt(time);
  if (int64_t(index) == _lastDatafile) return;
  loadScene(getString(EffectVariable::kStringList0, index));
  _lastDatafile = int64_t(index);
}

void Effect3D::start(uint32_t time) {
  Effect::start(time);
  if (_scene) _scene->reapplyLights();
  _spin = Vector3{};
}

void Effect3D::prepare(uint32_t time) { checkDatafile(time); }

void Effect3D::update(uint32_t time) {
  checkDatafile(time);
  Effect::update(time);
  if (!_scene) return;
  _scene->setLoop(_loop.valueAt(time));

  const bool shadows = _shadows.valueAt(time);
  if (takeChange(_shadows)) _scene->enableShadows(shadows);

  if (!_cameraByName) {
    _scene->setActiveCamera(int32_t(_camera.valueAt(time)));
    if (CameraObject* camera = _scene->activeCamera()) camera->setFieldOfView(_fov.valueAt(time) * 180.0f);
  }

  const bool fog = _fog.valueAt(time);
  _scene->setFogEnabled(fog);
  if (fog) {
    const uint32_t mode = _fogMode.valueAt(time);
    if (mode == 0) _scene->setFogMode(GL_EXP);
    if (mode == 1) _scene->setFogMode(GL_EXP2);
    if (mode == 2) {
      _scene->setFogMode(GL_LINEAR);
      const float scale = _fogScale.valueAt(time) * kFogDistanceScale;
      _scene->setFogRange(_fogStart.valueAt(time) * scale, _fogEnd.valueAt(time) * scale);
    } else {
      _scene->setFogDensity(_fogDensity.valueAt(time) * 0.01f);
    }
    _scene->setFogColor(Color4{_fogRed.valueAt(time), _fogGreen.valueAt(time), _fogBlue.valueAt(time), 1.0f});
  }

  const bool lightingOn = _lightingOn.valueAt(time);
  if (takeChange(_lightingOn)) _scene->setForceLightingOn(lightingOn);
  const bool lightingOff = _lightingOff.valueAt(time);
  if (takeChange(_lightingOff)) _scene->setForceLightingOff(lightingOff);
  const bool moreLight = _moreLight.valueAt(time);
  if (takeChange(_moreLight)) _scene->setExtraLightPass(moreLight);
  const bool vertexShader = _vertexShader.valueAt(time);
  if (takeChange(_vertexShader)) _scene->setEnvironmentVertexProgram(vertexShader);

  if (_scene->shadowsEnabled())
    if (LightObject* spot = _scene->findLight("Spot01")) spot->setCastsShadow(true);

  if (_picked) {
    const float t = _pulse > 0.0f ? _pulse * 10.0f - 5.0f : 0.0f;
    _picked->setOffset(Vector3{t, t, t});
    _picked->setRotation(_spin.x * _phase, _spin.y * _phase, _spin.z * _phase);
  }
}

void Effect3D::advanceScene() {
  if (!_scene) return;
  _scene->setTime(_phase);
  _scene->animate();
}

void Effect3D::render(uint32_t) {
  if (!_scene) return;
  advanceScene();
  _scene->render();
}

void Effect3D::handleEvent(const EffectEvent& event) {
  Effect::handleEvent(event);
  if (!_scene) return;
  const bool on = event.value > 0.0f;
  switch (event.type) {
    case 1:
      if (LightObject* light = _scene->firstLight()) light->setFlicker(on);
      break;
    case 6:
      _picked = _scene->findObject(event.text);
      break;
    case 11:
      _spin = Vector3{event.values[0], event.values[1], event.values[2]};
      break;
    case 16:
      if (_picked) setChildrenInheritChain(_picked, on);
      break;
    case 18:
      _scene->setActiveCamera(event.text);
      _cameraByName = true;
      break;
    case 20:
      if (_picked) _picked->setVisible(on);
      break;
    case 21:
      _scene->enableShadows(on);
      break;
    case 25:
      if (CameraObject* camera = _scene->activeCamera()) camera->setFieldOfView(event.value);
      break;
    default:
      break;
  }
}
