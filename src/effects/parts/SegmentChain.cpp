#include "SegmentChain.h"

#include "ChainSegment.h"
#include "Random.h"

SegmentChain::SegmentChain() : _levels(1) {
  seedRandom(kSeed);
  _levels[0].bend = -60.0f + (float(nextRandom()) / 32767.0f * 100.0f - 50.0f);
}

SegmentChain::~SegmentChain() = default;

void SegmentChain::setTemplate(const MeshObject* templateMesh, float segmentLength) {
  _levels[0].templateMesh = templateMesh;
  _levels[0].segmentLength = segmentLength;
}

ChainSegment* SegmentChain::build() {
  if (!_segments.empty()) return root();
  const ChainLevel& level = _levels[0];
  if (!level.templateMesh || level.segmentCount <= 0) return nullptr;
  _segments.push_back(std::make_unique<ChainSegment>(*level.templateMesh, level, 0));
  for (int32_t k = 1; k < level.segmentCount; ++k) {
    auto segment = std::make_unique<ChainSegment>(*level.templateMesh, level, k);
    segment->setPosition(Vector3{0.0f, level.segmentLength, 0.0f});
    segment->setRotation(0.0f, 0.0f, -level.bend / float(level.segmentCount));
    _segments.back()->appendChild(segment.get());
    _segments.push_back(std::move(segment));
  }
  return root();
}
