#include "NodeGraph.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>

#include "AccessorReader.h"
#include "GltfImporter.h"

namespace gltfimport {

namespace {

bool finite(const std::vector<double>& values) {
  for (double v : values)
    if (!std::isfinite(v) || std::fabs(v) > AccessorReader::kMaxMagnitude) return false;
  return true;
}

}  // namespace

std::string NodeGraph::name(int node) const {
  const std::string& name = _model.nodes[size_t(node)].name;
  return name.empty() ? "node" + std::to_string(node) : name;
}

const Mat4d& NodeGraph::world(int node, int frame) const {
  const std::vector<Mat4d>& w = _world[size_t(node)];
  return w[w.size() > 1 ? size_t(frame) : 0];
}

bool NodeGraph::build(std::string& error) {
  const size_t n = _model.nodes.size();
  _parents.assign(n, -1);
  for (size_t i = 0; i < n; ++i)
    for (int child : _model.nodes[i].children) {
      if (child < 0 || size_t(child) >= n) {
        error = "node '" + name(int(i)) + "' has a child that does not exist";
        return false;
      }
      if (_parents[size_t(child)] != -1 || size_t(child) == i) {
        error = "node '" + name(child) + "' has two parents or is its own ancestor (the node graph is not a tree)";
        return false;
      }
      _parents[size_t(child)] = int(i);
    }
  // A cycle among nodes that all have parents never reaches a root.
  for (size_t i = 0; i < n; ++i) {
    int at = int(i);
    for (size_t steps = 0; at >= 0; ++steps) {
      if (steps > n) {
        error = "node '" + name(int(i)) + "' is part of a cycle in the node graph";
        return false;
      }
      at = _parents[size_t(at)];
    }
  }
  int scene = _model.defaultScene;
  if (scene < 0 || size_t(scene) >= _model.scenes.size()) scene = _model.scenes.empty() ? -1 : 0;
  if (scene >= 0) {
    for (int root : _model.scenes[size_t(scene)].nodes) {
      if (root < 0 || size_t(root) >= n || _parents[size_t(root)] != -1) {
        error = "scene " + std::to_string(scene) + " names a root node that does not exist or has a parent";
        return false;
      }
      if (std::find(_roots.begin(), _roots.end(), root) == _roots.end()) _roots.push_back(root);
    }
  } else {
    for (size_t i = 0; i < n; ++i)
      if (_parents[i] == -1) _roots.push_back(int(i));
  }
  return true;
}

bool NodeGraph::computeWorld(const std::map<int, NodeAnimation>& animation, int frames, double scale,
                             std::string& error) {
  const size_t n = _model.nodes.size();
  _world.assign(n, {});
  std::vector<int> order(_roots.rbegin(), _roots.rend());
  int64_t matrices = 0;
  while (!order.empty()) {
    const int node = order.back();
    order.pop_back();
    const tinygltf::Node& gn = _model.nodes[size_t(node)];
    const int parent = _parents[size_t(node)];
    const bool parentMoving = parent >= 0 && moving(parent);
    const auto anim = animation.find(node);
    const bool animated = anim != animation.end() &&
                          (!anim->second.translation.empty() || !anim->second.rotation.empty() ||
                           !anim->second.scale.empty());
    if (!finite(gn.matrix) || !finite(gn.translation) || !finite(gn.rotation) || !finite(gn.scale) ||
        (!gn.matrix.empty() && gn.matrix.size() != 16) || (!gn.translation.empty() && gn.translation.size() != 3) ||
        (!gn.rotation.empty() && gn.rotation.size() != 4) || (!gn.scale.empty() && gn.scale.size() != 3)) {
      error = "node '" + name(node) + "': its transform is malformed or not finite";
      return false;
    }
    Trs rest;
    Mat4d restMatrix;
    if (gn.matrix.size() == 16) {
      for (size_t i = 0; i < 16; ++i) restMatrix.m[i] = gn.matrix[i];
      Transform::decompose(restMatrix, rest);
    } else {
      if (gn.translation.size() == 3) rest.translation = {gn.translation[0], gn.translation[1], gn.translation[2]};
      if (gn.rotation.size() == 4) rest.rotation = {gn.rotation[0], gn.rotation[1], gn.rotation[2], gn.rotation[3]};
      if (gn.scale.size() == 3) rest.scale = {gn.scale[0], gn.scale[1], gn.scale[2]};
      restMatrix = Transform::fromTrs(rest);
    }
    const int count = animated || parentMoving ? frames : 1;
    matrices += count;
    if (matrices * 16 > GltfImporter::kMaxBakedFloats) {
      error = "too many animated nodes for the animation's length";
      return false;
    }
    std::vector<Mat4d>& w = _world[size_t(node)];
    w.resize(size_t(count));
    for (int f = 0; f < count; ++f) {
      Mat4d local = restMatrix;
      if (animated) {
        Trs trs = rest;
        const NodeAnimation& a = anim->second;
        if (!a.translation.empty()) trs.translation = a.translation[size_t(f)];
        if (!a.rotation.empty()) trs.rotation = a.rotation[size_t(f)];
        if (!a.scale.empty()) trs.scale = a.scale[size_t(f)];
        local = Transform::fromTrs(trs);
      }
      const Mat4d above = parent >= 0 ? world(parent, f) : Transform::scaling(scale);
      w[size_t(f)] = Transform::multiply(above, local);
    }
    for (auto c = gn.children.rbegin(); c != gn.children.rend(); ++c) order.push_back(*c);
  }
  return true;
}

}  // namespace gltfimport
