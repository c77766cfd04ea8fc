#pragma once
// Small vector and rotation helpers for the scene generator. Rotations are kept as ordinary
// unit quaternions (x, y, z, w); stored() turns one into the form the scene files keep, which
// the engine turns into the transpose of the usual matrix, so the file holds the conjugate.
#include <cmath>

#include "VdgWriter.h"

namespace scenegen {

using vdg::Vec2;
using vdg::Vec3;

constexpr float kPi = 3.14159265358979f;

inline float radians(float degrees) { return degrees * kPi / 180.0f; }

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, const Vec3& a) { return a * s; }
inline Vec3 mul(const Vec3& a, const Vec3& b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Vec3& a) { return std::sqrt(dot(a, a)); }
// A zero vector stays zero.
inline Vec3 normalized(const Vec3& a) {
  const float len = length(a);
  return len > 1e-12f ? a * (1.0f / len) : a;
}
inline Vec3 lerp(const Vec3& a, const Vec3& b, float t) { return a + (b - a) * t; }

// An ordinary rotation quaternion.
struct Rotation {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;

  static Rotation axisAngle(const Vec3& axis, float degrees) {
    const Vec3 a = normalized(axis);
    const float h = radians(degrees) * 0.5f;
    const float s = std::sin(h);
    return {a.x * s, a.y * s, a.z * s, std::cos(h)};
  }
  // Applied as Rx(x) * Ry(y) * Rz(z), the order the engine's Euler angles use.
  static Rotation euler(float xDegrees, float yDegrees, float zDegrees) {
    return axisAngle({1, 0, 0}, xDegrees) * axisAngle({0, 1, 0}, yDegrees) * axisAngle({0, 0, 1}, zDegrees);
  }

  Rotation operator*(const Rotation& b) const {
    return {w * b.x + x * b.w + y * b.z - z * b.y, w * b.y - x * b.z + y * b.w + z * b.x,
            w * b.z + x * b.y - y * b.x + z * b.w, w * b.w - x * b.x - y * b.y - z * b.z};
  }
  Vec3 rotate(const Vec3& v) const {
    const Vec3 q{x, y, z};
    const Vec3 t = cross(q, v) * 2.0f;
    return v + t * w + cross(q, t);
  }
};

// The quaternion as the scene file stores it (the conjugate, see above).
inline vdg::Quat stored(const Rotation& r) { return {-r.x, -r.y, -r.z, r.w}; }

}  // namespace scenegen
