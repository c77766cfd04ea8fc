#pragma once
// Three floats: positions, scales, normals and the samples of position and scale tracks.
#include <cmath>

struct Vector3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;

  Vector3() = default;
  Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

// (1 - t) * a + t * b, component by component.
inline Vector3 lerp(const Vector3& a, const Vector3& b, float t) {
  const float s = 1.0f - t;
  return Vector3(s * a.x + t * b.x, s * a.y + t * b.y, s * a.z + t * b.z);
}

inline Vector3 add(const Vector3& a, const Vector3& b) { return Vector3(a.x + b.x, a.y + b.y, a.z + b.z); }

// Unit length; a vector whose squared length is below 0.00001 is returned unchanged.
inline Vector3 normalize(const Vector3& v) {
  float lengthSquared = v.x * v.x + v.y * v.y + v.z * v.z;
  if (lengthSquared < 0.00001f) lengthSquared = 1.0f;
  const float inverse = 1.0f / std::sqrt(lengthSquared);
  return Vector3(v.x * inverse, v.y * inverse, v.z * inverse);
}
