#include "Quaternion.h"

#include <cmath>

Matrix4 Quaternion::toMatrix() const {
  const float n = x * x + y * y + z * z + w * w;
  const float f = n == 0.0f ? 1.0f : 2.0f / n;
  Matrix4 r;
  r.m[0] = 1.0f - f * (y * y + z * z);
  r.m[1] = f * (x * y - z * w);
  r.m[2] = f * (x * z + y * w);
  r.m[4] = f * (x * y + z * w);
  r.m[5] = 1.0f - f * (x * x + z * z);
  r.m[6] = f * (y * z - x * w);
  r.m[8] = f * (x * z - y * w);
  r.m[9] = f * (y * z + x * w);
  r.m[10] = 1.0f - f * (x * x + y * y);
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
