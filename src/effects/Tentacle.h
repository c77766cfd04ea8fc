#pragma once
// "Tentacle": the tentacle scene with ten chains of 18 segments (cloned from "Cylinder73" of the
// machine parts scene) hung from its helpers "Dummy01" to "Dummy05", their bend and curl swinging
// with the phase times "TentacleSpeed".
#include <array>
#include <memory>

#include "Effect3D.h"
#include "SegmentChain.h"

class Tentacle : public Effect3D {
 public:
  static constexpr int32_t kChains = 10;
  static constexpr int32_t kSegments = 18;
  static constexpr float kSegmentLength = 22.0f;
  static constexpr const char* kSceneFile = "data/scenes/tentacle.vdg";
  static constexpr const char* kPartsFile = "data/scenes/mechparts.vdg";
  static constexpr const char* kTemplateName = "Cylinder73";

  Tentacle();
  ~Tentacle() override;

  // setTime and animate, then the chains' bend and curl for the phase, then the scene.
  void render(uint32_t time) override;
  // Sets every chain's bend and curl for phase T (c = TentacleSpeed * T * 8).
  void bendChains(float phase, float speed);

  SegmentChain& chain(int32_t index) { return *_chains[size_t(index)]; }

 private:
  FloatVariable _tentacleSpeed;  // "TentacleSpeed"
  std::array<std::unique_ptr<SegmentChain>, kChains> _chains;
};
