#pragma once
// Triangle geometry under construction: one position, normal and texture coordinate pair per
// vertex, an optional second coordinate set, and counter-clockwise triangles (seen from the
// front, the side the engine does not cull).
#include <array>
#include <cstdint>
#include <vector>

#include "GenMath.h"

namespace scenegen {

class MeshBuilder {
 public:
  // Returns the new vertex's index.
  int addVertex(const Vec3& position, const Vec3& normal, const Vec2& uv);
  void addTriangle(int a, int b, int c);
  // a, b, c, d counter-clockwise.
  void addQuad(int a, int b, int c, int d);

  // Adds another mesh's vertices and triangles (and its second coordinates when both have them).
  void append(const MeshBuilder& other);
  // Scales, then rotates, then moves every vertex; normals follow.
  void transform(const Vec3& scale, const Rotation& rotation, const Vec3& offset);
  // Smooth normals: the area-weighted sum of the faces around each vertex; with weld, vertices at
  // the same position (texture seams, poles) share one normal.
  void computeNormals(bool weld = false);
  // Reverses every triangle and every normal (a shape seen from inside).
  void flip();
  // Multiplies every texture coordinate of the first set.
  void scaleUv(float u, float v);

  // The second coordinate set (a light map's), one pair per vertex; empty when not used.
  void setSecondUv(std::vector<Vec2> uv) { _uv2 = std::move(uv); }
  // Copies the first set into the second, scaled into 0..1 of the given bounds.
  void setSecondUvFromPlanarXZ(float minX, float minZ, float sizeX, float sizeZ);

  size_t vertexCount() const { return _positions.size(); }
  size_t triangleCount() const { return _faces.size(); }
  const std::vector<Vec3>& positions() const { return _positions; }
  const std::vector<Vec3>& normals() const { return _normals; }
  const std::vector<Vec2>& uvs() const { return _uvs; }
  const std::vector<Vec2>& secondUv() const { return _uv2; }
  const std::vector<std::array<int32_t, 3>>& faces() const { return _faces; }
  std::vector<Vec3>& positions() { return _positions; }
  std::vector<Vec3>& normals() { return _normals; }
  std::vector<Vec2>& uvs() { return _uvs; }

 private:
  std::vector<Vec3> _positions;
  std::vector<Vec3> _normals;
  std::vector<Vec2> _uvs;
  std::vector<Vec2> _uv2;
  std::vector<std::array<int32_t, 3>> _faces;
};

}  // namespace scenegen
