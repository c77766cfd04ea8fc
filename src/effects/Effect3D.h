#pragma once
// Plays a scene file: the script adds scene file names to "Datafile" (string list 0), which
// loads them; "Datafile" then selects among them. Each frame the variables drive the scene's
// loop flag, shadows, active camera and field of view, fog and material switches, and render
// passes the phase to the scene as its time, animates and draws it. The base of the scene
// effects ("Scene1" to "Scene7", "Head", "Tentacle", "Test3d", "Flower").
#include <cstdint>
#include <memory>
#include <string>

#include "BoolVariable.h"
#include "Effect.h"
#include "FloatVariable.h"
#include "IntVariable.h"
#include "Vector3.h"

class Scene;
class SceneObject;

class Effect3D : public Effect {
 public:
  static constexpr const char* kTextureDirectory = "data/textures/";

  explicit Effect3D(const std::string& name);
  ~Effect3D() override;

  // Base start, then the scene sets its lights again; the spin vector returns to 0.
  void start(uint32_t time) override;
  // Loads the scene "Datafile" selects when its value changed since the last check.
  void prepare(uint32_t time) override;
  void update(uint32_t time) override;
  void render(uint32_t time) override;
  // Base codes, then with a scene: 1 flicker, 6 pick, 11 spin, 16 children inherit, 18 camera
  // by name, 20 visibility of the picked object, 21 shadows, 25 field of view.
  void handleEvent(const EffectEvent& event) override;
  // String list 0: loads the named scene and sets the count of "Datafile".
  void onStringAdded(int32_t list, const std::string& text, uint32_t count) override;
  // Loads fileName (an empty name or the loaded one changes nothing and returns false). A file
  // that cannot be loaded is reported ("could not load scene", the effect keeps its scene); a
  // scene without a camera is fatal ("no camera in scene").
  virtual bool loadScene(const std::string& fileName);

  Scene* scene() const { return _scene; }
  const std::string& sceneFile() const { return _sceneFile; }
  SceneObject* pickedObject() const { return _picked; }
  const Vector3& spin() const { return _spin; }
  bool cameraChosenByName() const { return _cameraByName; }

  // Sets children-inherit on object, its following siblings and everything below them.
  static void setChildrenInheritChain(SceneObject* object, bool inherit);

 protected:
  // Scenes the effect changes (attaches objects to) are read for it alone instead of being
  // shared through the scene cache, so the changes die with the effect.
  void setPrivateScenes(bool privateScenes) { _privateScenes = privateScenes; }
  // setTime with the phase and animate; nothing without a scene.
  void advanceScene();
  // Compares "Datafile" with the value last seen and loads the selected scene on a change.
  void checkDatafile(uint32_t time);

  IntVariable _datafile;       // "Datafile": index into string list 0
  BoolVariable _loop;          // "Loop"
  BoolVariable _shadows;       // "Shadows", acted on when changed
  IntVariable _camera;         // "Camera": index into string list 1000 (camera names)
  FloatVariable _fov;          // "FOV": field of view / 180
  BoolVariable _fog;           // "Fog"
  IntVariable _fogMode;        // "FogMode": 0 GL_EXP, 1 GL_EXP2, 2 GL_LINEAR
  FloatVariable _fogRed;       // "FogR"
  FloatVariable _fogGreen;     // "FogG"
  FloatVariable _fogBlue;      // "FogB"
  FloatVariable _fogDensity;   // "FogDensity" x 0.01
  FloatVariable _fogScale;     // "FogScale": linear distances x FogScale x 30000
  FloatVariable _fogStart;     // "FogStart"
  FloatVariable _fogEnd;       // "FogEnd"
  BoolVariable _lightingOn;    // "LightingOn", on change to every material
  BoolVariable _lightingOff;   // "LightingOff"
  BoolVariable _moreLight;     // "MoreLight"
  BoolVariable _vertexShader;  // "VShader"

 private:
  Scene* _scene = nullptr;           // shared through the cache, or _ownScene
  std::unique_ptr<Scene> _ownScene;  // the scene read for this effect alone
  std::string _sceneFile;
  int64_t _lastDatafile = -1;      // -1: the first check always loads
  SceneObject* _picked = nullptr;  // in _scene
  Vector3 _spin;
  bool _cameraByName = false;
  bool _privateScenes = false;
};
