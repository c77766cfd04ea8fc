#pragma once
// One segment of a tentacle: a copy of the template mesh whose children inherit its transform,
// posed at each draw from its chain's bend and curl and tapering along the chain.
#include <cstdint>

#include "MeshObject.h"

struct ChainLevel;

class ChainSegment : public MeshObject {
 public:
  // level is the chain's parameter block (owned by the chain); index 0 is the chain root.
  ChainSegment(const MeshObject& templateMesh, const ChainLevel& level, int32_t index);

  // Rotation and scale from the chain's current parameters: for index k > 0 the rotation
  // (0, a, -a) degrees, with a = bend / n without curl, else bend * 2 / n in the first half and
  // curl * 2 / n from the middle on; the scale (s, 1, s), s = 1 - k / n * 0.1.
  void applyPose();
  void draw() override;

  int32_t index() const { return _index; }

 private:
  const ChainLevel& _level;
  int32_t _index;
};
