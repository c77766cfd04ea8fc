#include "Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ErrorReport.h"
#include "GLContextCheck.h"
#include "MeshObject.h"

Scene::Scene() = default;
Scene::~Scene() = default;

SceneObject* Scene::findObjectById(int32_t id) const {
  for (const std::unique_ptr<SceneObject>& object : _objects)
    if (object->id() == id) return object.get();
  return nullptr;
}

void Scene::attachToParent(SceneObject* object, int32_t parentId) {
  SceneObject* parent = findObjectById(parentId);
  // An object never becomes its own parent (a file may give an object its own id as parent).
  if (!parent || parent == object) {
    char message[kReportBufferSize];
    std::snprintf(message, sizeof message, "object %.100s could not find parent obj %d", object->name().c_str(),
                  int(parentId));
    reportError(__FILE__, __LINE__, message, false);
    return;
  }
  // Deeper nesting is refused so that walking the tree stays within a small, fixed stack.
  if (parent->depth() + 1 > kMaxNesting) {
    reportErrorText(__FILE__, __LINE__, "object nested too deep, left unattached", object->name().c_str(), false);
    return;
  }
  parent->appendChild(object);
}

void Scene::addObject(std::unique_ptr<SceneObject> object, int32_t parentId) {
  SceneObject* added = object.get();
  _objects.push_back(std::move(object));
  if (parentId == -1) {
    if (_root)
      _root->appendSibling(added);
    else
      _root = added;
    return;
  }
  attachToParent(added, parentId);
}

void Scene::addCamera(std::unique_ptr<CameraObject> camera, int32_t parentId) {
  CameraObject* added = camera.get();
  _objects.push_back(std::move(camera));
  _cameras.push_back(added);
  if (parentId != -1) attachToParent(added, parentId);
}

void Scene::addLight(std::unique_ptr<LightObject> light, int32_t parentId) {
  LightObject* added = light.get();
  added->setGLIndex(int32_t(_lights.size()));
  added->applyColorsToGL();
  _objects.push_back(std::move(light));
  _lights.push_back(added);
  if (parentId != -1) attachToParent(added, parentId);
}

void Scene::addMaterial(std::unique_ptr<Material> material) {
  const int32_t id = material->id();
  _materials.emplace(id, std::move(material));
}

void Scene::finish() {
  if (_root) _root->attachToScene(*this);
  // Objects hung below a light are drawn with the lights, so they are attached (built) too.
  for (LightObject* light : _lights)
    if (light->firstChild()) light->firstChild()->attachToScene(*this);

  std::vector<SceneObject*> transparent;
  SceneObject* cubeMapped = nullptr;
  std::vector<SceneObject*> kept;
  for (SceneObject* object = _root; object; object = object->nextSibling()) {
    const Material* material = object->getMaterial();
    if (material && material->isTransparent()) {
      transparent.push_back(object);
    } else if (material && material->shadeModel() == Material::kCubeMapModel) {
      if (cubeMapped) reportError(__FILE__, __LINE__, "Only one cubemapped object is supported", true);
      cubeMapped = object;
    } else {
      kept.push_back(object);
    }
  }
  std::vector<SceneObject*> chain;
  if (cubeMapped) chain.push_back(cubeMapped);
  chain.insert(chain.end(), kept.begin(), kept.end());
  chain.insert(chain.end(), transparent.begin(), transparent.end());
  for (size_t i = 0; i < chain.size(); ++i) {
    chain[i]->setPreviousSibling(i > 0 ? chain[i - 1] : nullptr);
    chain[i]->setNextSibling(i + 1 < chain.size() ? chain[i + 1] : nullptr);
  }
  _root = chain.empty() ? nullptr : chain.front();

  for (CameraObject* camera : _cameras) camera->setTarget(findObjectById(camera->targetId()));
  for (LightObject* light : _lights)
    if (light->targetId() != -1) light->setTarget(findObjectById(light->targetId()));
}

SceneObject* Scene::findObject(const std::string& name) const {
  for (const std::unique_ptr<SceneObject>& object : _objects)
    if (object->name() == name) return object.get();
  return nullptr;
}

CameraObject* Scene::findCamera(const std::string& name) const {
  for (CameraObject* camera : _cameras)
    if (camera->name() == name) return camera;
  return nullptr;
}

LightObject* Scene::findLight(const std::string& name) const {
  for (LightObject* light : _lights)
    if (light->name() == name) return light;
  return nullptr;
}

Material* Scene::findMaterial(int32_t id) const {
  auto found = _materials.find(id);
  return found == _materials.end() ? nullptr : found->second.get();
}

CameraObject* Scene::camera(int32_t index) const {
  if (index < 0 || index >= int32_t(_cameras.size())) return nullptr;
  return _cameras[size_t(index)];
}

void Scene::setActiveCamera(int32_t index) {
  if (index >= 0 && index < int32_t(_cameras.size())) _activeCamera = index;
}

void Scene::setActiveCamera(const std::string& name) {
  for (size_t i = 0; i < _cameras.size(); ++i)
    if (_cameras[i]->name() == name) {
      _activeCamera = int32_t(i);
      return;
    }
}

LightObject* Scene::firstLight() const { return light(_flickerLight); }

LightObject* Scene::light(int32_t index) const {
  if (index < 0 || index >= int32_t(_lights.size())) return nullptr;
  return _lights[size_t(index)];
}

void Scene::setTime(float t) {
  // The loader keeps step and frame count positive; the guards keep the arithmetic defined.
  const int32_t step = std::max(_step, 1);
  const int32_t frames = std::max(_frameCount, 1);
  const float whole = std::trunc(t / float(step));
  int32_t frame = 0;
  if (whole >= 2.0e9f)
    frame = 2000000000;
  else if (whole > -2.0e9f)  // NaN falls through to 0
    frame = int32_t(whole);
  else
    frame = -2000000000;
  if (_loop) {
    const int32_t loops = frame / frames;
    frame %= frames;
    t = float(double(t) - double(loops) * double(frames) * double(step));
  }
  _currentFraction = (t - float(frame) * float(step)) / float(step);
  if (frame < 0) frame = 0;
  if (frame > frames) frame = frames - 1;
  _currentFrame = frame;
}

void Scene::animate() {
  for (const std::unique_ptr<SceneObject>& object : _objects) object->animate(_currentFrame, _currentFraction);
}

// Rendering task: lights, fog, shadow map, camera set-up and drawing of the object tree.
void Scene::render() {
  if (!_root) reportError(__FILE__, __LINE__, "no objects in scene", true);
}

void Scene::enableShadows(bool enabled) {
  _shadowsEnabled = enabled;
  if (_root) _root->setReceivesShadows(enabled);
}

void Scene::setForceLightingOn(bool on) {
  for (auto& entry : _materials) entry.second->setForceLightingOn(on);
}

void Scene::setForceLightingOff(bool off) {
  for (auto& entry : _materials) entry.second->setForceLightingOff(off);
}

void Scene::setExtraLightPass(bool on) {
  for (auto& entry : _materials) entry.second->setExtraLightPass(on);
}

void Scene::setEnvironmentVertexProgram(bool on) {
  for (auto& entry : _materials) entry.second->setEnvironmentVertexProgram(on);
}

void Scene::reapplyLights() {
  for (LightObject* light : _lights) light->applyColorsToGL();
  if (hasCurrentGLContext()) glEnable(GL_NORMALIZE);
}

namespace {

void describeObject(const SceneObject* object, int depth, std::string& out) {
  char line[512];
  const Vector3& p = object->position();
  int used = std::snprintf(line, sizeof line, "%*s%s \"%s\" id %d at (%g, %g, %g)", depth * 2, "", object->kindName(),
                           object->name().c_str(), int(object->id()), double(p.x), double(p.y), double(p.z));
  if (const auto* mesh = dynamic_cast<const MeshObject*>(object)) {
    const Material* material = mesh->getMaterial();
    used += std::snprintf(line + used, sizeof line - size_t(used), ", %d vertices, %d faces, material %d",
                          int(mesh->sourceVertexCount()), int(mesh->faceCount()), int(mesh->materialId()));
    if (material)
      std::snprintf(line + used, sizeof line - size_t(used), " \"%s\" model %d%s", material->name().c_str(),
                    int(material->shadeModel()), material->isTransparent() ? " transparent" : "");
  } else if (const auto* camera = dynamic_cast<const CameraObject*>(object)) {
    std::snprintf(line + used, sizeof line - size_t(used), ", fov %.2f, target %s", double(camera->fieldOfView()),
                  camera->target() ? camera->target()->name().c_str() : "none");
  } else if (const auto* light = dynamic_cast<const LightObject*>(object)) {
    std::snprintf(line + used, sizeof line - size_t(used), ", cut-off %g, target %s", double(light->spotCutoff()),
                  light->target() ? light->target()->name().c_str() : "none");
  }
  out += line;
  if (object->animationKind() == SceneObject::kAnimationSampled)
    out += ", " + std::to_string(object->sampleCount()) + " samples";
  out += '\n';
  for (const SceneObject* child = object->firstChild(); child; child = child->nextSibling())
    describeObject(child, depth + 1, out);
}

bool isReachable(const SceneObject* object, const SceneObject* from) {
  for (; from; from = from->nextSibling())
    if (from == object || isReachable(object, from->firstChild())) return true;
  return false;
}

}  // namespace

std::string Scene::describe() const {
  std::string out = "frames " + std::to_string(_frameCount) + ", step " + std::to_string(_step) + ", " +
                    std::to_string(_objects.size()) + " objects, " + std::to_string(_materials.size()) + " materials\n";
  for (const SceneObject* object = _root; object; object = object->nextSibling()) describeObject(object, 0, out);
  for (const LightObject* light : _lights)
    if (!isReachable(light, _root)) describeObject(light, 0, out);
  for (const CameraObject* camera : _cameras)
    if (!isReachable(camera, _root)) describeObject(camera, 0, out);
  for (const std::unique_ptr<SceneObject>& object : _objects) {
    bool placed = isReachable(object.get(), _root);
    for (const LightObject* light : _lights) placed = placed || isReachable(object.get(), light);
    for (const CameraObject* camera : _cameras) placed = placed || isReachable(object.get(), camera);
    if (!placed) out += "unattached " + std::string(object->kindName()) + " \"" + object->name() + "\"\n";
  }
  return out;
}
