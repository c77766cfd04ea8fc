#include "Shapes.h"

#include <cmath>

namespace scenegen {
namespace {

bool samePoint(const ProfilePoint& a, const ProfilePoint& b) { return a.r == b.r && a.y == b.y; }

// Outward normal (in r, y) of the profile segment from a to b.
Vec2 segmentNormal(const ProfilePoint& a, const ProfilePoint& b) {
  const float dr = b.r - a.r, dy = b.y - a.y;
  const float len = std::sqrt(dr * dr + dy * dy);
  return {dy / len, -dr / len};
}

void addTriangleIfArea(MeshBuilder& mesh, int a, int b, int c) {
  const auto& p = mesh.positions();
  if (length(cross(p[b] - p[a], p[c] - p[a])) > 1e-9f) mesh.addTriangle(a, b, c);
}

}  // namespace

MeshBuilder lathe(const std::vector<ProfilePoint>& profile, int segments, float uRepeat, float vRepeat) {
  MeshBuilder mesh;
  const size_t n = profile.size();
  if (n < 2 || segments < 3) return mesh;
  std::vector<Vec2> normals(n);
  std::vector<float> along(n, 0.0f);
  for (size_t i = 0; i < n; ++i) {
    Vec2 sum{0.0f, 0.0f};
    if (i > 0 && !samePoint(profile[i - 1], profile[i])) {
      const Vec2 s = segmentNormal(profile[i - 1], profile[i]);
      sum = {sum.u + s.u, sum.v + s.v};
    }
    if (i + 1 < n && !samePoint(profile[i], profile[i + 1])) {
      const Vec2 s = segmentNormal(profile[i], profile[i + 1]);
      sum = {sum.u + s.u, sum.v + s.v};
    }
    const float len = std::sqrt(sum.u * sum.u + sum.v * sum.v);
    normals[i] = len > 0.0f ? Vec2{sum.u / len, sum.v / len} : Vec2{0.0f, 1.0f};
    if (i > 0) along[i] = along[i - 1] + std::hypot(profile[i].r - profile[i - 1].r, profile[i].y - profile[i - 1].y);
  }
  const float total = along[n - 1] > 0.0f ? along[n - 1] : 1.0f;
  for (size_t i = 0; i < n; ++i) {
    for (int j = 0; j <= segments; ++j) {
      const float a = 2.0f * kPi * static_cast<float>(j % segments) / static_cast<float>(segments);
      const float s = std::sin(a), c = std::cos(a);
      mesh.addVertex({profile[i].r * s, profile[i].y, profile[i].r * c},
                     {normals[i].u * s, normals[i].v, normals[i].u * c},
                     {uRepeat * static_cast<float>(j) / static_cast<float>(segments), vRepeat * along[i] / total});
    }
  }
  const int row = segments + 1;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (samePoint(profile[i], profile[i + 1])) continue;
    for (int j = 0; j < segments; ++j) {
      const int ll = static_cast<int>(i) * row + j, lr = ll + 1, ul = ll + row, ur = ul + 1;
      addTriangleIfArea(mesh, ll, lr, ur);
      addTriangleIfArea(mesh, ll, ur, ul);
    }
  }
  return mesh;
}

MeshBuilder box(const Vec3& size) {
  MeshBuilder mesh;
  const Vec3 h = size * 0.5f;
  // Each face: its normal and two in-plane axes (u to the right, v up, seen from outside).
  const Vec3 faces[6][3] = {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
                            {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                            {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
  for (const auto& f : faces) {
    const Vec3 c = mul(f[0], h), u = mul(f[1], h), v = mul(f[2], h);
    const int a = mesh.addVertex(c - u - v, f[0], {0, 0});
    const int b = mesh.addVertex(c + u - v, f[0], {1, 0});
    const int d = mesh.addVertex(c + u + v, f[0], {1, 1});
    const int e = mesh.addVertex(c - u + v, f[0], {0, 1});
    mesh.addQuad(a, b, d, e);
  }
  return mesh;
}

MeshBuilder cylinder(float radius, float height, int segments, bool caps) {
  std::vector<ProfilePoint> profile;
  if (caps) profile.insert(profile.end(), {{0, 0}, {radius, 0}});
  profile.insert(profile.end(), {{radius, 0}, {radius, height}});
  if (caps) profile.insert(profile.end(), {{radius, height}, {0, height}});
  return lathe(profile, segments);
}

MeshBuilder capsule(float radius, float length, int segments, int capRings) {
  const float half = length * 0.5f - radius;
  std::vector<ProfilePoint> profile;
  for (int i = 0; i <= capRings; ++i) {
    const float a = -0.5f * kPi + 0.5f * kPi * static_cast<float>(i) / static_cast<float>(capRings);
    profile.push_back({radius * std::cos(a), -half + radius * std::sin(a)});
  }
  for (int i = 0; i <= capRings; ++i) {
    const float a = 0.5f * kPi * static_cast<float>(i) / static_cast<float>(capRings);
    profile.push_back({radius * std::cos(a), half + radius * std::sin(a)});
  }
  profile.front().r = 0.0f;
  profile.back().r = 0.0f;
  return lathe(profile, segments);
}

MeshBuilder sphere(float radius, int segments, int rings) {
  std::vector<ProfilePoint> profile;
  for (int i = 0; i <= rings; ++i) {
    const float a = -0.5f * kPi + kPi * static_cast<float>(i) / static_cast<float>(rings);
    profile.push_back({i == 0 || i == rings ? 0.0f : radius * std::cos(a), radius * std::sin(a)});
  }
  return lathe(profile, segments);
}

MeshBuilder torus(float majorRadius, float minorRadius, int segments, int sides) {
  std::vector<ProfilePoint> profile;
  for (int i = 0; i <= sides; ++i) {
    const float a = -kPi + 2.0f * kPi * static_cast<float>(i % sides) / static_cast<float>(sides);
    profile.push_back({majorRadius + minorRadius * std::cos(a), minorRadius * std::sin(a)});
  }
  MeshBuilder mesh = lathe(profile, segments, 4.0f, 1.0f);
  mesh.computeNormals(true);  // the profile's closing point needs its neighbours on both sides
  return mesh;
}

MeshBuilder extrude(const std::vector<Vec2>& polygon, float depth) {
  MeshBuilder mesh;
  const size_t n = polygon.size();
  if (n < 3) return mesh;
  Vec2 centre{0.0f, 0.0f};
  float minX = polygon[0].u, maxX = minX, minY = polygon[0].v, maxY = minY;
  for (const Vec2& p : polygon) {
    centre = {centre.u + p.u / static_cast<float>(n), centre.v + p.v / static_cast<float>(n)};
    minX = std::fmin(minX, p.u), maxX = std::fmax(maxX, p.u);
    minY = std::fmin(minY, p.v), maxY = std::fmax(maxY, p.v);
  }
  const float h = depth * 0.5f;
  auto uvOf = [&](const Vec2& p) { return Vec2{(p.u - minX) / (maxX - minX), (p.v - minY) / (maxY - minY)}; };
  for (int side = 0; side < 2; ++side) {
    const float z = side == 0 ? h : -h;
    const Vec3 normal{0.0f, 0.0f, side == 0 ? 1.0f : -1.0f};
    const int c = mesh.addVertex({centre.u, centre.v, z}, normal, uvOf(centre));
    const int first = static_cast<int>(mesh.vertexCount());
    for (const Vec2& p : polygon) mesh.addVertex({p.u, p.v, z}, normal, uvOf(p));
    for (size_t i = 0; i < n; ++i) {
      const int a = first + static_cast<int>(i), b = first + static_cast<int>((i + 1) % n);
      if (side == 0)
        mesh.addTriangle(c, a, b);
      else
        mesh.addTriangle(c, b, a);
    }
  }
  float perimeter = 0.0f;
  for (size_t i = 0; i < n; ++i) {
    const Vec2 &a = polygon[i], &b = polygon[(i + 1) % n];
    const Vec3 edge{b.u - a.u, b.v - a.v, 0.0f};
    const Vec3 normal = normalized(Vec3{edge.y, -edge.x, 0.0f});
    const float u0 = perimeter / depth, u1 = (perimeter + length(edge)) / depth;
    perimeter += length(edge);
    const int v0 = mesh.addVertex({a.u, a.v, -h}, normal, {u0 * 0.25f, 0});
    const int v1 = mesh.addVertex({b.u, b.v, -h}, normal, {u1 * 0.25f, 0});
    const int v2 = mesh.addVertex({b.u, b.v, h}, normal, {u1 * 0.25f, 1});
    const int v3 = mesh.addVertex({a.u, a.v, h}, normal, {u0 * 0.25f, 1});
    mesh.addQuad(v0, v1, v2, v3);
  }
  return mesh;
}

std::vector<Vec2> gearOutline(int teeth, float rootRadius, float tipRadius) {
  std::vector<Vec2> outline;
  for (int t = 0; t < teeth; ++t) {
    const float a = 2.0f * kPi * static_cast<float>(t) / static_cast<float>(teeth);
    const float step = 2.0f * kPi / static_cast<float>(teeth);
    const float at[4] = {a, a + step * 0.2f, a + step * 0.45f, a + step * 0.65f};
    const float radius[4] = {rootRadius, tipRadius, tipRadius, rootRadius};
    for (int i = 0; i < 4; ++i) outline.push_back({radius[i] * std::cos(at[i]), radius[i] * std::sin(at[i])});
  }
  return outline;
}

MeshBuilder terrain(float sizeX, float sizeZ, int cellsX, int cellsZ, float uvRepeat,
                    const std::function<float(float x, float z)>& height) {
  MeshBuilder mesh;
  for (int i = 0; i <= cellsX; ++i) {
    for (int j = 0; j <= cellsZ; ++j) {
      const float fx = static_cast<float>(i) / static_cast<float>(cellsX);
      const float fz = static_cast<float>(j) / static_cast<float>(cellsZ);
      const float x = (fx - 0.5f) * sizeX, z = (fz - 0.5f) * sizeZ;
      mesh.addVertex({x, height(x, z), z}, {0, 1, 0}, {fx * uvRepeat, fz * uvRepeat});
    }
  }
  const int row = cellsZ + 1;
  for (int i = 0; i < cellsX; ++i) {
    for (int j = 0; j < cellsZ; ++j) {
      const int a = i * row + j;
      mesh.addQuad(a, a + 1, a + row + 1, a + row);
    }
  }
  mesh.computeNormals();
  return mesh;
}

}  // namespace scenegen
