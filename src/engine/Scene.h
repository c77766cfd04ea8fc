#pragma once
// One loaded scene file: the object hierarchy, cameras, lights, materials, the animation timing,
// fog settings and the shadow switch. The scene owns every object and material added to it.
// Each frame an effect calls setTime, animate and render.
#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CameraObject.h"
#include "Color4.h"
#include "LightObject.h"
#include "Material.h"
#include "SceneObject.h"

class Scene {
 public:
  // Deepest nesting level an object may be attached at (top level is 0).
  static constexpr int32_t kMaxNesting = 256;

  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Building. Each takes ownership. With parentId -1 an object joins the top-level chain (the
  // first becomes the root); otherwise it is appended to the parent's children, and a parent id
  // no object has is reported ("object %s could not find parent obj %d") and leaves it unattached.
  void addObject(std::unique_ptr<SceneObject> object, int32_t parentId);
  // Cameras and lights never join the top-level chain; they attach to a parent when given one.
  void addCamera(std::unique_ptr<CameraObject> camera, int32_t parentId);
  // Gives the light its GL index (the light count so far) and sets its GL colours once.
  void addLight(std::unique_ptr<LightObject> light, int32_t parentId);
  // An id already present keeps its first material (the new one is dropped).
  void addMaterial(std::unique_ptr<Material> material);
  // Attaches the objects (meshes find their materials and build), moves transparent top-level
  // objects to the end of the chain and a cube-mapped one to the front, resolves targets. Then
  // keeps the finished state for restoreLoadedState.
  void finish();
  // Puts back what finish left: the scene's settings (active camera, loop, fog, shadows, morph
  // timing, scene time) and every object's and material's state, whatever effects and events
  // changed since. Objects and materials stay the same ones; nothing is read again. The GL lights
  // are set again by reapplyLights, as every effect does at its start.
  void restoreLoadedState();

  // Queries: exact, case-sensitive names; first match in load order; null when absent.
  SceneObject* findObject(const std::string& name) const;
  CameraObject* findCamera(const std::string& name) const;
  LightObject* findLight(const std::string& name) const;
  Material* findMaterial(int32_t id) const;
  SceneObject* findObjectById(int32_t id) const;

  int32_t cameraCount() const { return int32_t(_cameras.size()); }
  CameraObject* camera(int32_t index) const;  // null when out of range
  CameraObject* activeCamera() const { return camera(_activeCamera); }
  int32_t activeCameraIndex() const { return _activeCamera; }
  void setActiveCamera(int32_t index);            // ignored when out of range
  void setActiveCamera(const std::string& name);  // unchanged when not found
  // The light flicker events address; null without lights.
  LightObject* firstLight() const;
  int32_t lightCount() const { return int32_t(_lights.size()); }
  LightObject* light(int32_t index) const;

  // Scene time (file time units) to the current frame and fraction; loops when the flag is set.
  void setTime(float t);
  // Evaluates every object's tracks (all objects, load order) at the current frame and fraction.
  void animate();
  // Draws the scene into the current GL context with the active camera: ambient and lights,
  // culling, fog, the shadow map when shadows are on, then the lights' subtrees and the
  // top-level chain. Fatal "no objects in scene" without a root. A scene without a camera draws
  // with a default one; a camera looking along its up axis gets a fallback side axis (each
  // reported once per scene).
  void render();

  // Opaque top-level objects are drawn nearest first, so that llvmpipe skips shading what they
  // hide (the picture is the same: depth testing decides, whatever the order). Off: the chain
  // order throughout (the switch SceneChainOrder, also RK17_SCENE_CHAIN_ORDER=1).
  static void setNearestFirst(bool on);

  void setFrameCount(int32_t count) { _frameCount = count; }
  void setStep(int32_t step) { _step = step; }
  void setLoop(bool loop) { _loop = loop; }
  int32_t frameCount() const { return _frameCount; }
  int32_t step() const { return _step; }
  bool loops() const { return _loop; }
  int32_t currentFrame() const { return _currentFrame; }
  float currentFraction() const { return _currentFraction; }

  void setFogEnabled(bool enabled) { _fogEnabled = enabled; }
  void setFogColor(const Color4& color) { _fogColor = color; }
  void setFogDensity(float density) { _fogDensity = density; }
  void setFogRange(float start, float end) {
    _fogStart = start;
    _fogEnd = end;
  }
  void setFogMode(GLenum mode) { _fogMode = mode; }
  bool fogEnabled() const { return _fogEnabled; }
  const Color4& fogColor() const { return _fogColor; }
  float fogDensity() const { return _fogDensity; }
  float fogStart() const { return _fogStart; }
  float fogEnd() const { return _fogEnd; }
  GLenum fogMode() const { return _fogMode; }

  void setMorphTiming(int32_t startFrame, float rate, bool loop) {
    _morphStartFrame = startFrame;
    _morphRate = rate;
    _morphLoop = loop;
  }
  int32_t morphStartFrame() const { return _morphStartFrame; }
  float morphRate() const { return _morphRate; }
  bool morphLoop() const { return _morphLoop; }

  // With fewer than 3 texture units nothing happens. Otherwise stores the flag, prepares the
  // shadow map when it is true and passes it as receives-shadows to the top-level chain.
  void enableShadows(bool enabled);
  // True when the shadow map is rendered into the shared depth pixel buffer; false when it is
  // copied from the frame buffer into "ShadowMapTexture". Chosen at construction.
  bool offScreenShadows() const { return _offScreen; }
  // Side of the shadow depth map in texels.
  int32_t shadowTextureSize() const;
  bool shadowsEnabled() const { return _shadowsEnabled; }

  // Switches on every material of the scene.
  void setForceLightingOn(bool on);
  void setForceLightingOff(bool off);
  void setExtraLightPass(bool on);
  void setEnvironmentVertexProgram(bool on);
  // Sets every light's GL colours and enabled state again, then enables GL_NORMALIZE.
  void reapplyLights();
  // Sets every light's GL colours and enabled state, as loading the scene did.
  void applyLightColorsToGL();

  int32_t shadowMapSize() const { return _shadowMapSize; }
  bool faceCulling() const { return _faceCulling; }
  void setFaceCulling(bool culling) { _faceCulling = culling; }
  // Rows of the light's bias x projection x view matrix, written by the shadow map pass.
  const std::array<std::array<float, 4>, 4>& shadowTextureRows() const { return _shadowTextureRows; }

  SceneObject* root() const { return _root; }
  const std::vector<std::unique_ptr<SceneObject>>& objects() const { return _objects; }
  const std::map<int32_t, std::unique_ptr<Material>>& materials() const { return _materials; }

  // The object tree as indented text, one object a line: kind, name, id, position, and for
  // meshes vertices, faces, material and shade model; then lights and cameras with what hangs
  // below them, and the unattached objects. For checking loaded scenes by eye.
  std::string describe() const;

 private:
  void attachToParent(SceneObject* object, int32_t parentId);
  void recordLoadedState();
  void prepareShadowMap();
  void renderShadowMap();
  void applyCamera(Matrix4& projection, Matrix4& view);
  void drawTopLevel(const Matrix4& view);

  struct Placed {
    float depth;    // distance in front of the camera
    int32_t index;  // chain position, breaks ties
    SceneObject* object;
  };
  std::vector<Placed> _drawOrder;  // kept between frames: no allocation per frame

  // The settings effects change, as finish left them.
  struct Settings {
    int32_t activeCamera;
    int32_t flickerLight;
    int32_t morphStartFrame;
    float morphRate;
    bool morphLoop;
    int32_t currentFrame;
    float currentFraction;
    bool loop;
    bool faceCulling;
    bool fogEnabled;
    Color4 fogColor;
    float fogDensity, fogStart, fogEnd;
    GLenum fogMode;
    std::array<std::array<float, 4>, 4> shadowTextureRows;
    bool shadowsEnabled;
  };
  Settings _loadedSettings{};
  std::vector<Material> _loadedMaterials;  // copies, in the order of _materials

  int32_t _shadowMapSize = 512;
  int32_t _morphStartFrame = 0;
  float _morphRate = 1.0f;
  bool _morphLoop = false;
  SceneObject* _root = nullptr;  // first of the top-level chain
  std::vector<CameraObject*> _cameras;
  int32_t _activeCamera = 0;
  std::vector<LightObject*> _lights;
  int32_t _flickerLight = 0;
  std::map<int32_t, std::unique_ptr<Material>> _materials;
  std::vector<std::unique_ptr<SceneObject>> _objects;  // every added object, load order
  int32_t _frameCount = 1;
  int32_t _step = 1;  // time units per frame, > 0
  int32_t _currentFrame = 0;
  float _currentFraction = 0.0f;
  bool _loop = false;
  bool _faceCulling = true;
  bool _fogEnabled = false;
  Color4 _fogColor{0.5f, 0.5f, 0.5f, 1.0f};
  float _fogDensity = 1.0f;
  float _fogStart = 0.0f;
  float _fogEnd = 1.0f;
  GLenum _fogMode = GL_EXP;
  std::array<std::array<float, 4>, 4> _shadowTextureRows{};
  bool _shadowsEnabled = false;
  bool _offScreen = false;
  bool _reportedNoCamera = false;
  bool _reportedCameraUp = false;
};
