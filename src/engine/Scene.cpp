// A scene: building it from the loader's objects, the loaded state a restart puts back, and its
// whole frame (time and animation, lights and flicker, fog, culling, the shadow map, the camera,
// the object chain in its drawing order). Longer than most files because the frame's steps run in
// a fixed order on the same GL state; each is a function of its own below.
#include "Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ErrorReport.h"
#include "GLContextCheck.h"
#include "GLGeneration.h"
#include "MeshObject.h"
#include "PBuffer.h"
#include "Switches.h"
#include "Texture.h"
#include "TextureManager.h"

namespace {

constexpr int kShadowBufferSize = 1024;  // the shared depth pixel buffer, texels
constexpr const char* kShadowMapTextureName = "ShadowMapTexture";

// The program's one depth pixel buffer for shadow maps; it lives until the process ends, and is
// made again for each window context.
PBuffer& shadowBuffer() {
  static PBuffer* buffer = new PBuffer();
  static GLGeneration generation;
  if (generation.changed()) buffer->abandon();
  return *buffer;
}

Texture* shadowMapTexture(int size) {
  return TextureManager::getInstance().createTexture(kShadowMapTextureName, size, size, GL_DEPTH_COMPONENT, GL_RGBA);
}

void setShadowCompareParameters() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
}

// An object whose subtree holds only meshes of opaque materials that keep no order-dependent
// state (blending, stencil): drawing it earlier or later gives the same pixels.
bool drawsInAnyOrder(const SceneObject* object, bool withSiblings) {
  for (const SceneObject* o = object; o; o = withSiblings ? o->nextSibling() : nullptr) {
    if (std::strcmp(o->kindName(), "mesh") != 0) return false;
    const Material* material = o->getMaterial();
    if (!material || material->isTransparent() || material->alphaBlend() || material->stencil() ||
        material->shadeModel() == Material::kCubeMapModel || material->shadeModel() == Material::kRenderTargetModel)
      return false;
    if (o->firstChild() && !drawsInAnyOrder(o->firstChild(), true)) return false;
  }
  return true;
}

bool sameDirection(const Vector3& a, const Vector3& b) {
  const Vector3 c(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
  return c.x * c.x + c.y * c.y + c.z * c.z < 1e-12f * (a.x * a.x + a.y * a.y + a.z * a.z + 1e-30f);
}

}  // namespace

Scene::Scene() : _offScreen(hasCurrentGLContext() && PBuffer::isSupported() && PBuffer::hasRenderDepthTexture()) {
  recordLoadedState();  // a scene restored before it is finished gets its defaults back
}
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
  recordLoadedState();
}

void Scene::recordLoadedState() {
  _loadedSettings =
      Settings{_activeCamera,    _flickerLight, _morphStartFrame, _morphRate,         _morphLoop,     _currentFrame,
               _currentFraction, _loop,         _faceCulling,     _fogEnabled,        _fogColor,      _fogDensity,
               _fogStart,        _fogEnd,       _fogMode,         _shadowTextureRows, _shadowsEnabled};
  for (const std::unique_ptr<SceneObject>& object : _objects) object->recordLoadedState();
  _loadedMaterials.clear();
  for (const auto& entry : _materials) _loadedMaterials.push_back(*entry.second);
}

void Scene::restoreLoadedState() {
  const Settings& s = _loadedSettings;
  _activeCamera = s.activeCamera;
  _flickerLight = s.flickerLight;
  _morphStartFrame = s.morphStartFrame;
  _morphRate = s.morphRate;
  _morphLoop = s.morphLoop;
  _currentFrame = s.currentFrame;
  _currentFraction = s.currentFraction;
  _loop = s.loop;
  _faceCulling = s.faceCulling;
  _fogEnabled = s.fogEnabled;
  _fogColor = s.fogColor;
  _fogDensity = s.fogDensity;
  _fogStart = s.fogStart;
  _fogEnd = s.fogEnd;
  _fogMode = s.fogMode;
  _shadowTextureRows = s.shadowTextureRows;
  _shadowsEnabled = s.shadowsEnabled;
  _reportedNoCamera = false;
  _reportedCameraUp = false;
  for (const std::unique_ptr<SceneObject>& object : _objects) object->restoreLoadedState();
  // The map's order is its keys' order, which nothing changes after finish.
  size_t i = 0;
  for (auto& entry : _materials)
    if (i < _loadedMaterials.size()) *entry.second = _loadedMaterials[i++];
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

int32_t Scene::shadowTextureSize() const { return _offScreen ? kShadowBufferSize : _shadowMapSize; }

void Scene::applyCamera(Matrix4& projection, Matrix4& view) {
  const CameraObject* camera = activeCamera();
  if (!camera && !_reportedNoCamera) {
    _reportedNoCamera = true;
    reportError(__FILE__, __LINE__, "scene has no camera, drawing with a default one", false);
  }
  static const CameraObject kDefaultCamera(-1, "default");
  if (!camera) camera = &kDefaultCamera;
  projection = Matrix4::perspective(camera->fieldOfView(), camera->aspect(), camera->nearPlane(), camera->farPlane());
  view = Matrix4();
  if (camera->target()) {
    const Vector3 eye = camera->worldPosition();
    const Vector3 at = camera->target()->worldPosition();
    const Vector3 up(0.0f, 1.0f, 0.0f);
    if (sameDirection(Vector3(at.x - eye.x, at.y - eye.y, at.z - eye.z), up) && !_reportedCameraUp) {
      _reportedCameraUp = true;
      reportErrorText(__FILE__, __LINE__, "camera looks along its up axis", camera->name().c_str(), false);
    }
    view = Matrix4::lookAt(eye, at, up);
  }
}

void Scene::render() {
  if (!_root) {
    reportError(__FILE__, __LINE__, "no objects in scene", true);
    return;
  }
  const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  GLint maxLights = 8;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  for (GLint i = 0; i < maxLights; ++i) glDisable(GLenum(GL_LIGHT0 + i));

  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  if (_faceCulling) {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
  } else {
    glDisable(GL_CULL_FACE);
  }
  if (_fogEnabled) {
    glEnable(GL_FOG);
    glFogfv(GL_FOG_COLOR, _fogColor.data());
    glFogi(GL_FOG_MODE, GLint(_fogMode));
    if (_fogMode == GL_LINEAR) {
      glFogf(GL_FOG_START, _fogStart);
      glFogf(GL_FOG_END, _fogEnd);
    } else {
      glFogf(GL_FOG_DENSITY, _fogDensity);
    }
  }
  if (_shadowsEnabled) renderShadowMap();

  Matrix4 projection, view;
  applyCamera(projection, view);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(projection.data());
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(view.data());

  for (LightObject* light : _lights) light->applyForFrame();

  if (_shadowsEnabled) {
    glActiveTexture(GL_TEXTURE2);
    const GLenum coords[4] = {GL_S, GL_T, GL_R, GL_Q};
    const GLenum generate[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
    for (int i = 0; i < 4; ++i) {
      glTexGeni(coords[i], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
      glTexGenfv(coords[i], GL_EYE_PLANE, _shadowTextureRows[size_t(i)].data());
      glEnable(generate[i]);
    }
    if (_offScreen) {
      shadowBuffer().bind(WGL_DEPTH_COMPONENT_NV);
    } else if (Texture* map = shadowMapTexture(_shadowMapSize)) {
      map->bind();
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
    glActiveTexture(GL_TEXTURE0);
  }

  // Objects hung below a light are drawn with it; a light attached to a parent is drawn there.
  Material::beginDeferredRestores();
  for (LightObject* light : _lights)
    if (light->depth() == 0) light->drawNode();
  drawTopLevel(view);
  Material::endDeferredRestores();

  if (_shadowsEnabled) {
    glActiveTexture(GL_TEXTURE2);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_Q);
    if (_offScreen) shadowBuffer().release(WGL_DEPTH_COMPONENT_NV);
    glActiveTexture(GL_TEXTURE0);
  }
  if (_fogEnabled) glDisable(GL_FOG);
}

void Scene::setNearestFirst(bool on) { Switches::set(Switch::SceneChainOrder, !on); }

void Scene::drawTopLevel(const Matrix4& view) {
  if (Switches::isOn(Switch::SceneChainOrder)) {
    _root->draw();
    return;
  }
  _drawOrder.clear();
  int32_t index = 0;
  for (SceneObject* o = _root; o; o = o->nextSibling(), ++index) {
    const Vector3 p = o->worldPosition();
    const float depth = -(view.m[2] * p.x + view.m[6] * p.y + view.m[10] * p.z + view.m[14]);
    _drawOrder.push_back({depth, index, o});
  }
  // Runs of objects that draw in any order are sorted; every other object stays in its place.
  size_t begin = 0;
  while (begin < _drawOrder.size()) {
    if (!drawsInAnyOrder(_drawOrder[begin].object, false)) {
      ++begin;
      continue;
    }
    size_t end = begin + 1;
    while (end < _drawOrder.size() && drawsInAnyOrder(_drawOrder[end].object, false)) ++end;
    std::sort(_drawOrder.begin() + std::ptrdiff_t(begin), _drawOrder.begin() + std::ptrdiff_t(end),
              [](const Placed& a, const Placed& b) {
                if (a.depth != b.depth) return a.depth < b.depth;
                return a.index < b.index;
              });
    begin = end;
  }
  for (const Placed& placed : _drawOrder) placed.object->drawNode();
}

void Scene::prepareShadowMap() {
  if (_offScreen) {
    PBuffer& buffer = shadowBuffer();
    if (!buffer.isInitialized()) buffer.initialize(kShadowBufferSize, kShadowBufferSize, true);
    buffer.enable();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    buffer.disable();
    buffer.bind(WGL_DEPTH_COMPONENT_NV);
    setShadowCompareParameters();
    buffer.release(WGL_DEPTH_COMPONENT_NV);
    return;
  }
  if (Texture* map = shadowMapTexture(_shadowMapSize)) {
    map->bind();
    setShadowCompareParameters();
  }
}

void Scene::renderShadowMap() {
  LightObject* caster = nullptr;
  for (LightObject* light : _lights)
    if (light->castsShadow()) {
      caster = light;
      break;
    }
  if (!caster || !caster->target()) return;
  const int32_t size = _shadowMapSize;
  GLint viewport[4] = {0, 0, 0, 0};
  if (_offScreen) {
    shadowBuffer().enable();
  } else {
    glGetIntegerv(GL_VIEWPORT, viewport);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glViewport(0, 0, size, size);
    glScissor(0, 0, size, size);
    glEnable(GL_SCISSOR_TEST);
  }
  const CameraObject* camera = activeCamera();
  static const CameraObject kDefaultCamera(-1, "default");
  if (!camera) camera = &kDefaultCamera;
  const Matrix4 projection =
      Matrix4::perspective(camera->fieldOfView(), camera->aspect(), camera->nearPlane(), camera->farPlane());
  const Matrix4 view =
      Matrix4::lookAt(caster->worldPosition(), caster->target()->worldPosition(), Vector3(0.0f, 1.0f, 0.0f));
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(projection.data());
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(view.data());

  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CCW);
  glCullFace(GL_FRONT);
  glPolygonOffset(1.1f, 1.0f);
  glEnable(GL_POLYGON_OFFSET_FILL);
  _root->drawDepthChain();
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDisable(GL_POLYGON_OFFSET_FILL);
  glCullFace(GL_BACK);

  if (!_offScreen) {
    if (Texture* map = shadowMapTexture(size)) {
      map->bind();
      setShadowCompareParameters();
      glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_INTENSITY);
      glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, 0, 0, size, size, 0);
    }
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glDisable(GL_SCISSOR_TEST);
  }
  const Matrix4 texture = multiply(Matrix4::bias(), multiply(projection, view));
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      _shadowTextureRows[size_t(row)][size_t(column)] = texture.m[column * 4 + row];
  if (_offScreen) shadowBuffer().disable();
}

void Scene::enableShadows(bool enabled) {
  GLint units = 0;
  if (hasCurrentGLContext()) glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
  if (units < 3) return;
  _shadowsEnabled = enabled;
  if (enabled) prepareShadowMap();
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
  applyLightColorsToGL();
  if (hasCurrentGLContext()) glEnable(GL_NORMALIZE);
}

void Scene::applyLightColorsToGL() {
  for (LightObject* light : _lights) light->applyColorsToGL();
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
