#include "MeshBaker.h"

#include <tiny_gltf.h>

#include "AccessorReader.h"
#include "GltfImporter.h"

namespace gltfimport {

const Mat4d& MeshBaker::world(int node, int frame) const {
  const std::vector<Mat4d>& w = _world[size_t(node)];
  return w[w.size() > 1 ? size_t(frame) : 0];
}

bool MeshBaker::bake(int node, MeshGeometry& g, std::vector<vdg::MorphFrame>& out, bool& worldSpace,
                     std::string& error) const {
  const tinygltf::Node& gn = _model.nodes[size_t(node)];
  const tinygltf::Mesh& mesh = _model.meshes[size_t(gn.mesh)];
  const size_t n = g.vertexCount();
  const size_t targets = g.targetPositions.size();
  const auto anim = _animation.find(node);
  const bool weightsAnimated = anim != _animation.end() && !anim->second.weights.empty();
  const std::vector<double>& defaults = gn.weights.empty() ? mesh.weights : gn.weights;

  // Joint matrices per frame: joint world transform times its inverse bind matrix.
  const bool skinned = gn.skin >= 0 && !g.joints.empty();
  std::vector<float> inverseBind;
  std::vector<int> joints;
  bool jointsMove = false;
  if (skinned) {
    if (size_t(gn.skin) >= _model.skins.size()) {
      error = "its skin does not exist";
      return false;
    }
    const tinygltf::Skin& skin = _model.skins[size_t(gn.skin)];
    joints = skin.joints;
    for (int j : joints)
      if (j < 0 || size_t(j) >= _model.nodes.size() || _world[size_t(j)].empty()) {
        error = "a joint of its skin is not a node of the scene";
        return false;
      }
    if (skin.inverseBindMatrices >= 0) {
      if (!_reader.readFloats(skin.inverseBindMatrices, TINYGLTF_TYPE_MAT4, inverseBind, error)) return false;
      if (inverseBind.size() < joints.size() * 16) {
        error = "the skin has fewer inverse bind matrices than joints";
        return false;
      }
    }
    for (uint32_t j : g.joints)
      if (j >= joints.size()) {
        error = "JOINTS_0 names a joint that its skin does not have";
        return false;
      }
    for (int j : joints) jointsMove = jointsMove || moving(j);
  }
  const int frames = (skinned && jointsMove) || weightsAnimated ? _frames : 1;
  if (int64_t(frames) * int64_t(n) * 6 > GltfImporter::kMaxBakedFloats) {
    error = "too many vertices to bake for the animation's length";
    return false;
  }
  const std::vector<float> basePositions = g.positions, baseNormals = g.normals;
  std::vector<Mat4d> jointMatrices(joints.size()), jointNormals(joints.size());
  std::vector<float> positions(n * 3), normals(n * 3);
  for (int f = 0; f < frames; ++f) {
    std::vector<double> weights = weightsAnimated ? anim->second.weights[size_t(f)] : defaults;
    weights.resize(targets, 0.0);
    positions = basePositions;
    normals = baseNormals;
    for (size_t t = 0; t < targets; ++t) {
      if (weights[t] == 0) continue;
      const float w = float(weights[t]);
      for (size_t i = 0; i < n * 3; ++i) positions[i] += w * g.targetPositions[t][i];
      if (!g.targetNormals[t].empty())
        for (size_t i = 0; i < n * 3; ++i) normals[i] += w * g.targetNormals[t][i];
    }
    if (skinned) {
      for (size_t j = 0; j < joints.size(); ++j) {
        Mat4d bind;
        if (!inverseBind.empty())
          for (size_t k = 0; k < 16; ++k) bind.m[k] = inverseBind[j * 16 + k];
        jointMatrices[j] = Transform::multiply(world(joints[j], f), bind);
        jointNormals[j] = Transform::normalMatrix(jointMatrices[j]);
      }
      for (size_t v = 0; v < n; ++v) {
        const Vec3d p{positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2]};
        const Vec3d d{normals[v * 3], normals[v * 3 + 1], normals[v * 3 + 2]};
        Vec3d sp{0, 0, 0}, sn{0, 0, 0};
        for (size_t k = 0; k < 4; ++k) {
          const double w = g.weights[v * 4 + k];
          if (w == 0) continue;
          const size_t j = g.joints[v * 4 + k];
          const Vec3d tp = Transform::transformPoint(jointMatrices[j], p);
          const Vec3d tn = Transform::transformDirection(jointNormals[j], d);
          for (size_t c = 0; c < 3; ++c) {
            sp[c] += w * tp[c];
            sn[c] += w * tn[c];
          }
        }
        for (size_t c = 0; c < 3; ++c) positions[v * 3 + c] = float(sp[c]);
        for (size_t c = 0; c < 3; ++c) normals[v * 3 + c] = float(sn[c]);
      }
    }
    for (size_t v = 0; v < n; ++v) {
      const Vec3d unit = Transform::normalize(Vec3d{normals[v * 3], normals[v * 3 + 1], normals[v * 3 + 2]});
      for (size_t c = 0; c < 3; ++c) normals[v * 3 + c] = float(unit[c]);
    }
    if (f == 0) {
      g.positions = positions;
      g.normals = normals;
    }
    if (frames > 1) {
      vdg::MorphFrame frame;
      frame.positions.resize(n);
      frame.normals.resize(n);
      for (size_t v = 0; v < n; ++v) {
        frame.positions[v] = {positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2]};
        frame.normals[v] = {normals[v * 3], normals[v * 3 + 1], normals[v * 3 + 2]};
      }
      out.push_back(std::move(frame));
    }
  }
  worldSpace = skinned;
  return true;
}

}  // namespace gltfimport
