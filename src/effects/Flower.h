#pragma once
// "Flower": a scene from "Datafile" whose six petals "blomsterblad01" to "blomsterblad06" get
// their morph data when the scene loads; events of type 15 set when and how fast they morph.
#include "Effect3D.h"

class Flower : public Effect3D {
 public:
  static constexpr int32_t kPetals = 6;
  static const char* const kPetalNames[kPetals];

  Flower();
  // Effect3D's load, then the petals found in the scene read their morph data (a missing file
  // leaves that petal unmorphed).
  bool loadScene(const std::string& fileName) override;
  // Effect3D's handling; then with a scene, type 15: morph start frame = values[0] (truncated),
  // rate = values[1], loop = values[2] > 0.
  void handleEvent(const EffectEvent& event) override;
};
