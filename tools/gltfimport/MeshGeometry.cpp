#include "MeshGeometry.h"

#include <tiny_gltf.h>

#include <cmath>
#include <map>

#include "AccessorReader.h"
#include "Transform.h"

namespace gltfimport {

namespace {

int attribute(const tinygltf::Primitive& p, const char* name) {
  auto found = p.attributes.find(name);
  return found == p.attributes.end() ? -1 : found->second;
}

int attribute(const std::map<std::string, int>& target, const char* name) {
  auto found = target.find(name);
  return found == target.end() ? -1 : found->second;
}

// Appends values (per vertex `width` floats) for `count` vertices, or zeros when values is empty;
// pads earlier vertices with zeros when the list was empty until now. The first values are moved.
void appendPadded(std::vector<float>& list, std::vector<float>&& values, size_t width, size_t before,
                  size_t count) {
  if (values.empty() && list.empty()) return;
  if (list.empty() && before == 0) {
    list = std::move(values);
    return;
  }
  if (list.empty()) list.assign(before * width, 0.0f);
  if (values.empty())
    list.resize(list.size() + count * width, 0.0f);
  else
    list.insert(list.end(), values.begin(), values.end());
}

}  // namespace

bool MeshGeometryBuilder::append(int meshIndex, size_t primitiveIndex, MeshGeometry& g, bool& skippedMode,
                                 std::string& error) const {
  const tinygltf::Primitive& p = _model.meshes[size_t(meshIndex)].primitives[primitiveIndex];
  skippedMode = false;
  const int mode = p.mode < 0 ? TINYGLTF_MODE_TRIANGLES : p.mode;
  if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP && mode != TINYGLTF_MODE_TRIANGLE_FAN) {
    skippedMode = true;
    return true;
  }
  std::vector<float> positions, normals, uv0, uv1, colors, weights;
  std::vector<uint32_t> joints, indices;
  const int positionAccessor = attribute(p, "POSITION");
  if (positionAccessor < 0) {
    error = "POSITION is missing";
    return false;
  }
  if (!_reader.readFloats(positionAccessor, TINYGLTF_TYPE_VEC3, positions, error)) return false;
  const size_t n = positions.size() / 3;
  const size_t before = g.vertexCount();
  if (before + n > size_t(INT32_MAX) / 2) {
    error = "too many vertices";
    return false;
  }
  struct Optional {
    const char* name;
    int type;
    std::vector<float>* out;
  } optional[] = {{"NORMAL", TINYGLTF_TYPE_VEC3, &normals},
                  {"TEXCOORD_0", TINYGLTF_TYPE_VEC2, &uv0},
                  {"TEXCOORD_1", TINYGLTF_TYPE_VEC2, &uv1},
                  {"WEIGHTS_0", TINYGLTF_TYPE_VEC4, &weights}};
  for (const Optional& o : optional) {
    const int a = attribute(p, o.name);
    if (a < 0) continue;
    if (!_reader.readFloats(a, o.type, *o.out, error)) {
      error = std::string(o.name) + ": " + error;
      return false;
    }
    if (o.out->size() / (o.type == TINYGLTF_TYPE_VEC2 ? 2 : o.type == TINYGLTF_TYPE_VEC3 ? 3 : 4) != n) {
      error = std::string(o.name) + " has a count other than POSITION's";
      return false;
    }
  }
  const int colorAccessor = attribute(p, "COLOR_0");
  if (colorAccessor >= 0) {
    // RGB or RGBA; the scene file keeps RGB.
    std::vector<float> rgba;
    const bool four = _reader.readFloats(colorAccessor, TINYGLTF_TYPE_VEC4, rgba, error);
    if (!four && !_reader.readFloats(colorAccessor, TINYGLTF_TYPE_VEC3, colors, error)) {
      error = "COLOR_0: " + error;
      return false;
    }
    if (four)
      for (size_t i = 0; i + 3 < rgba.size(); i += 4) colors.insert(colors.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    if (colors.size() != n * 3) {
      error = "COLOR_0 has a count other than POSITION's";
      return false;
    }
  }
  const int jointAccessor = attribute(p, "JOINTS_0");
  if (jointAccessor >= 0 && !weights.empty()) {
    if (!_reader.readUnsigned(jointAccessor, TINYGLTF_TYPE_VEC4, joints, error)) {
      error = "JOINTS_0: " + error;
      return false;
    }
    if (joints.size() != n * 4) {
      error = "JOINTS_0 has a count other than POSITION's";
      return false;
    }
  } else {
    weights.clear();
  }

  if (p.indices >= 0) {
    if (!_reader.readUnsigned(p.indices, TINYGLTF_TYPE_SCALAR, indices, error)) {
      error = "indices: " + error;
      return false;
    }
    for (uint32_t i : indices)
      if (i >= n) {
        error = "an index is out of range of the vertices";
        return false;
      }
  } else {
    indices.resize(n);
    for (size_t i = 0; i < n; ++i) indices[i] = uint32_t(i);
  }

  auto face = [&](uint32_t a, uint32_t b, uint32_t c) {
    g.faces.push_back({int32_t(before + a), int32_t(before + b), int32_t(before + c)});
  };
  const size_t count = indices.size();
  g.faces.reserve(g.faces.size() + (mode == TINYGLTF_MODE_TRIANGLES ? count / 3 : count));
  if (mode == TINYGLTF_MODE_TRIANGLES) {
    for (size_t i = 0; i + 2 < count; i += 3) face(indices[i], indices[i + 1], indices[i + 2]);
  } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
    // Every second triangle of a strip is turned so that all keep the first one's winding.
    for (size_t i = 0; i + 2 < count; ++i) {
      if (i % 2 == 0)
        face(indices[i], indices[i + 1], indices[i + 2]);
      else
        face(indices[i + 1], indices[i], indices[i + 2]);
    }
  } else {
    for (size_t i = 1; i + 1 < count; ++i) face(indices[0], indices[i], indices[i + 1]);
  }

  // Morph targets: offsets of positions and normals.
  if (!p.targets.empty()) {
    if (g.targetPositions.size() < p.targets.size()) {
      g.targetPositions.resize(p.targets.size());
      g.targetNormals.resize(p.targets.size());
    }
    for (size_t t = 0; t < p.targets.size(); ++t) {
      std::vector<float> dp, dn;
      const int pa = attribute(p.targets[t], "POSITION"), na = attribute(p.targets[t], "NORMAL");
      if ((pa >= 0 && !_reader.readFloats(pa, TINYGLTF_TYPE_VEC3, dp, error)) ||
          (na >= 0 && !_reader.readFloats(na, TINYGLTF_TYPE_VEC3, dn, error))) {
        error = "morph target " + std::to_string(t) + ": " + error;
        return false;
      }
      if ((!dp.empty() && dp.size() != n * 3) || (!dn.empty() && dn.size() != n * 3)) {
        error = "morph target " + std::to_string(t) + " has a count other than POSITION's";
        return false;
      }
      if (dp.empty()) dp.assign(n * 3, 0.0f);
      appendPadded(g.targetPositions[t], std::move(dp), 3, before, n);
      appendPadded(g.targetNormals[t], std::move(dn), 3, before, n);
    }
  }
  for (size_t t = p.targets.size(); t < g.targetPositions.size(); ++t) {
    appendPadded(g.targetPositions[t], std::vector<float>(n * 3, 0.0f), 3, before, n);
    appendPadded(g.targetNormals[t], std::vector<float>(), 3, before, n);
  }

  if (g.positions.empty())
    g.positions = std::move(positions);
  else
    g.positions.insert(g.positions.end(), positions.begin(), positions.end());
  if (normals.empty()) {
    g.normalsComputed = true;
    normals.assign(n * 3, 0.0f);
  }
  appendPadded(g.normals, std::move(normals), 3, before, n);
  appendPadded(g.uv[0], std::move(uv0), 2, before, n);
  appendPadded(g.uv[1], std::move(uv1), 2, before, n);
  appendPadded(g.colors, std::move(colors), 3, before, n);
  appendPadded(g.weights, std::move(weights), 4, before, n);
  if (!joints.empty() || !g.joints.empty()) {
    if (g.joints.empty()) g.joints.assign(before * 4, 0);
    if (joints.empty())
      g.joints.resize(g.joints.size() + n * 4, 0);
    else
      g.joints.insert(g.joints.end(), joints.begin(), joints.end());
  }
  return true;
}

void MeshGeometryBuilder::computeNormals(MeshGeometry& g) {
  const size_t n = g.vertexCount();
  std::map<std::array<float, 3>, Vec3d> sums;
  auto at = [&](int32_t v) { return std::array<float, 3>{g.positions[size_t(v) * 3], g.positions[size_t(v) * 3 + 1],
                                                          g.positions[size_t(v) * 3 + 2]}; };
  for (const auto& f : g.faces) {
    const auto a = at(f[0]), b = at(f[1]), c = at(f[2]);
    const Vec3d e1{double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const Vec3d e2{double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const Vec3d cross = Transform::cross(e1, e2);  // length = twice the area: larger faces weigh more
    for (int32_t v : f) {
      Vec3d& sum = sums[at(v)];
      for (int k = 0; k < 3; ++k) sum[size_t(k)] += cross[size_t(k)];
    }
  }
  for (size_t v = 0; v < n; ++v) {
    float* normal = &g.normals[v * 3];
    if (normal[0] != 0.0f || normal[1] != 0.0f || normal[2] != 0.0f) continue;
    auto found = sums.find(at(int32_t(v)));
    if (found == sums.end()) continue;
    const Vec3d unit = Transform::normalize(found->second);
    for (int k = 0; k < 3; ++k) normal[k] = float(unit[size_t(k)]);
  }
}

void MeshGeometryBuilder::addBackFaces(MeshGeometry& g) {
  const size_t n = g.vertexCount();
  auto duplicate = [n](std::vector<float>& list, size_t width, float sign) {
    if (list.empty()) return;
    list.reserve(list.size() * 2);
    for (size_t i = 0; i < n * width; ++i) list.push_back(list[i] * sign);
  };
  duplicate(g.positions, 3, 1.0f);
  duplicate(g.normals, 3, -1.0f);
  duplicate(g.uv[0], 2, 1.0f);
  duplicate(g.uv[1], 2, 1.0f);
  duplicate(g.colors, 3, 1.0f);
  duplicate(g.weights, 4, 1.0f);
  for (auto& t : g.targetPositions) duplicate(t, 3, 1.0f);
  for (auto& t : g.targetNormals) duplicate(t, 3, -1.0f);
  if (!g.joints.empty()) {
    g.joints.reserve(g.joints.size() * 2);
    for (size_t i = 0; i < n * 4; ++i) g.joints.push_back(g.joints[i]);
  }
  const size_t faces = g.faces.size();
  g.faces.reserve(faces * 2);
  for (size_t i = 0; i < faces; ++i) {
    const auto f = g.faces[i];
    g.faces.push_back({int32_t(f[0] + n), int32_t(f[2] + n), int32_t(f[1] + n)});
  }
}

}  // namespace gltfimport
