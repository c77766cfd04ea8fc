#pragma once
// Builds a tentacle: a chain of segments cloned from a template mesh, each the child of the one
// before, bent by the parameters of its level. The chain owns its segments; the effect hangs the
// root into its scene and sets bend and curl each frame.
#include <cstdint>
#include <memory>
#include <vector>

class ChainSegment;
class MeshObject;

// The parameters of one level of a chain.
struct ChainLevel {
  int32_t segmentCount = 7;
  float curl = 0.0f;
  float bend = 0.0f;  // degrees over the whole chain
  const MeshObject* templateMesh = nullptr;
  float segmentLength = 1.0f;
};

class SegmentChain {
 public:
  static constexpr uint32_t kSeed = 234342;

  // One level; its bend is -60 plus a uniform value in -50..50 drawn from the shared random
  // sequence after seeding it with kSeed.
  SegmentChain();
  ~SegmentChain();
  SegmentChain(const SegmentChain&) = delete;
  SegmentChain& operator=(const SegmentChain&) = delete;

  ChainLevel& level(int32_t index = 0) { return _levels[size_t(index)]; }
  int32_t levelCount() const { return int32_t(_levels.size()); }
  // The template of level 0 and its segment length.
  void setTemplate(const MeshObject* templateMesh, float segmentLength);

  // Clones the segments the first time (null without a template or segments); later calls
  // return the same root.
  ChainSegment* build();
  ChainSegment* root() const { return _segments.empty() ? nullptr : _segments.front().get(); }
  const std::vector<std::unique_ptr<ChainSegment>>& segments() const { return _segments; }

 private:
  std::vector<ChainLevel> _levels;
  std::vector<std::unique_ptr<ChainSegment>> _segments;
};
