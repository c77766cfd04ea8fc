#include "Quaternion.h"

#include <cmath>

#include "QuaternionRotation.h"

Matrix4 Quaternion::toMatrix() const {
  const float n = x * x + y * y + z * z + w * w;
  const float f = n == 0.0f ? 1.0f : 2.0f / n;
  const std::array<float, 9> rotation = quaternionRotation(x, y, z, w, f);
  Matrix4 r;
  // R row by row into m: the transpose of the usual layout.
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < 3; ++c) r.m[row * 4 + c] = rotation[size_t(row * 3 + c)];
  return r;
}

Quaternion slerp(const Quaternion& q1, const Quaternion& q2, float t, int spins) {
  const float c = q1.x * q2.x + q1.y * q2.y + q1.z * q2.z + q1.w * q2.w;
  const float absC = std::fabs(c);
  float s1, s2;
  if (1.0f - absC < 1e-6f) {
    s1 = 1.0f - t;
    s2 = t;
  } else {
    const float a = std::acos(absC);
    const float b = t * (a + float(spins) * 3.14159265358979f);
    const float sinA = std::sin(a);
    s1 = std::sin(a - b) / sinA;
    s2 = std::sin(b) / sinA;
  }
  if (c < 0.0f) s2 = -s2;
  return Quaternion(s1 * q1.x + s2 * q2.x, s1 * q1.y + s2 * q2.y, s1 * q1.z + s2 * q2.z, s1 * q1.w + s2 * q2.w);
}
