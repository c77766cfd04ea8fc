#pragma once
// The node tree of a glTF model: parents checked (a node graph that is not a tree is refused),
// the chosen scene's roots (the default scene, the first, or every parentless node), and every
// node's world transform per sampled frame (times a uniform scale), one matrix for the nodes that
// do not move.
#include <map>
#include <string>
#include <vector>

#include "AnimationSampler.h"
#include "Transform.h"

namespace tinygltf {
class Model;
}

namespace gltfimport {

class NodeGraph {
 public:
  explicit NodeGraph(const tinygltf::Model& model) : _model(model) {}

  // Parents and roots; false with error naming the node for cycles, shared children and bad
  // indices.
  bool build(std::string& error);
  // World matrices of the nodes under the roots; false with error for a malformed transform or
  // too many moving nodes for the frames.
  bool computeWorld(const std::map<int, NodeAnimation>& animation, int frames, double scale, std::string& error);

  const std::vector<int>& roots() const { return _roots; }
  bool inScene(int node) const { return !_world[size_t(node)].empty(); }
  bool moving(int node) const { return _world[size_t(node)].size() > 1; }
  const Mat4d& world(int node, int frame) const;
  const std::vector<std::vector<Mat4d>>& worldMatrices() const { return _world; }
  // The node's name, or "node<index>" for an unnamed one.
  std::string name(int node) const;

 private:
  const tinygltf::Model& _model;
  std::vector<int> _roots;
  std::vector<int> _parents;               // per node, -1 for roots
  std::vector<std::vector<Mat4d>> _world;  // per node: one matrix, or one per frame when it moves
};

}  // namespace gltfimport
