#pragma once
// "Mech": the machine parts scene with one tentacle of 20 segments (cloned from "Cylinder73")
// growing out of "Capsule01", seen by "Camera01"; the tentacle's bend and curl swing with the
// phase. The scene is drawn as it stands (no scene time, no animation).
#include <memory>
#include <string>

#include "Effect.h"
#include "SegmentChain.h"

class Scene;

class Mech : public Effect {
 public:
  static constexpr int32_t kSegments = 20;
  static constexpr float kSegmentLength = 22.0f;
  static constexpr const char* kSceneFile = "data/scenes/mechparts.vdg";

  explicit Mech(const std::string& name);
  ~Mech() override;

  // Base start, then the scene sets its lights again.
  void start(uint32_t time) override;
  void render(uint32_t time) override;
  // The chain's bend and curl for phase T.
  void bendChain(float phase);

  Scene* scene() const { return _scene.get(); }
  SegmentChain& chain() { return _chain; }

 private:
  std::unique_ptr<Scene> _scene;  // this effect's own copy: the chain hangs in it
  SegmentChain _chain;
};
