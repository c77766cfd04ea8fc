#include "ChainSegment.h"

#include "SegmentChain.h"

ChainSegment::ChainSegment(const MeshObject& templateMesh, const ChainLevel& level, int32_t index)
    : MeshObject(templateMesh), _level(level), _index(index) {
  setChildrenInherit(true);
}

void ChainSegment::applyPose() {
  const int32_t n = _level.segmentCount > 0 ? _level.segmentCount : 1;
  const float k = float(_index);
  if (_index > 0) {
    float a = 0.0f;
    if (_level.curl == 0.0f)
      a = _level.bend / float(n);
    else
      a = 2 * _index < n ? _level.bend * 2.0f / float(n) : _level.curl * 2.0f / float(n);
    setRotation(0.0f, a, -a);
  }
  const float s = 1.0f - k / float(n) * 0.1f;
  setScale(Vector3{s, 1.0f, s});
}

void ChainSegment::draw() {
  applyPose();
  MeshObject::draw();
}
