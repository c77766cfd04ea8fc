#include "MeshBuilder.h"

#include <map>
#include <tuple>

namespace scenegen {

int MeshBuilder::addVertex(const Vec3& position, const Vec3& normal, const Vec2& uv) {
  _positions.push_back(position);
  _normals.push_back(normal);
  _uvs.push_back(uv);
  return static_cast<int>(_positions.size()) - 1;
}

void MeshBuilder::addTriangle(int a, int b, int c) { _faces.push_back({a, b, c}); }

void MeshBuilder::addQuad(int a, int b, int c, int d) {
  addTriangle(a, b, c);
  addTriangle(a, c, d);
}

void MeshBuilder::append(const MeshBuilder& other) {
  const int32_t base = static_cast<int32_t>(_positions.size());
  const bool secondSet = !_uv2.empty() || (_positions.empty() && !other._uv2.empty());
  _positions.insert(_positions.end(), other._positions.begin(), other._positions.end());
  _normals.insert(_normals.end(), other._normals.begin(), other._normals.end());
  _uvs.insert(_uvs.end(), other._uvs.begin(), other._uvs.end());
  if (secondSet) {
    if (other._uv2.size() == other._positions.size())
      _uv2.insert(_uv2.end(), other._uv2.begin(), other._uv2.end());
    else
      _uv2.insert(_uv2.end(), other._uvs.begin(), other._uvs.end());
  }
  for (const auto& f : other._faces) _faces.push_back({f[0] + base, f[1] + base, f[2] + base});
}

void MeshBuilder::transform(const Vec3& scale, const Rotation& rotation, const Vec3& offset) {
  const Vec3 inverseScale{1.0f / scale.x, 1.0f / scale.y, 1.0f / scale.z};
  for (Vec3& p : _positions) p = rotation.rotate(mul(p, scale)) + offset;
  for (Vec3& n : _normals) n = normalized(rotation.rotate(mul(n, inverseScale)));
  if (scale.x * scale.y * scale.z < 0.0f)
    for (auto& f : _faces) std::swap(f[1], f[2]);
}

void MeshBuilder::computeNormals(bool weld) {
  // Each vertex adds into the slot of the first vertex at its position (its own without weld).
  std::vector<size_t> slot(_positions.size());
  std::map<std::tuple<float, float, float>, size_t> first;
  for (size_t i = 0; i < _positions.size(); ++i) {
    const Vec3& p = _positions[i];
    slot[i] = weld ? first.emplace(std::make_tuple(p.x, p.y, p.z), i).first->second : i;
  }
  std::vector<Vec3> sums(_positions.size());
  for (const auto& f : _faces) {
    const Vec3 n = cross(_positions[f[1]] - _positions[f[0]], _positions[f[2]] - _positions[f[0]]);
    for (int32_t i : f) sums[slot[i]] = sums[slot[i]] + n;
  }
  for (size_t i = 0; i < sums.size(); ++i) {
    const Vec3 n = normalized(sums[slot[i]]);
    _normals[i] = length(n) > 0.5f ? n : Vec3{0.0f, 1.0f, 0.0f};
  }
}

void MeshBuilder::flip() {
  for (auto& f : _faces) std::swap(f[1], f[2]);
  for (Vec3& n : _normals) n = -n;
}

void MeshBuilder::scaleUv(float u, float v) {
  for (Vec2& t : _uvs) t = {t.u * u, t.v * v};
}

void MeshBuilder::setSecondUvFromPlanarXZ(float minX, float minZ, float sizeX, float sizeZ) {
  _uv2.clear();
  for (const Vec3& p : _positions) _uv2.push_back({(p.x - minX) / sizeX, (p.z - minZ) / sizeZ});
}

}  // namespace scenegen
