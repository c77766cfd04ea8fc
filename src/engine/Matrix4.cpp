#include "Matrix4.h"

#include <cmath>

Matrix4::Matrix4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}

Matrix4 Matrix4::fromEuler(float x, float y, float z) {
  const float cx = std::cos(x), sx = std::sin(x);
  const float cy = std::cos(y), sy = std::sin(y);
  const float cz = std::cos(z), sz = std::sin(z);
  Matrix4 r;
  r.m[0] = cz * cy;
  r.m[4] = -cy * sz;
  r.m[8] = sy;
  r.m[1] = sx * cz * sy + sz * cx;
  r.m[5] = cz * cx - sx * sz * sy;
  r.m[9] = -cy * sx;
  r.m[2] = sz * sx - cz * sy * cx;
  r.m[6] = cx * sz * sy + cz * sx;
  r.m[10] = cy * cx;
  return r;
}

Matrix4 Matrix4::perspective(float fovYDegrees, float aspect, float nearPlane, float farPlane) {
  const float f = 1.0f / std::tan(fovYDegrees * 3.14159265358979f / 360.0f);
  Matrix4 r;
  r.m[0] = f / aspect;
  r.m[5] = f;
  r.m[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
  r.m[11] = -1.0f;
  r.m[14] = 2.0f * farPlane * nearPlane / (nearPlane - farPlane);
  r.m[15] = 0.0f;
  return r;
}

namespace {

Vector3 cross(const Vector3& a, const Vector3& b) {
  return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float lengthSquared(const Vector3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

}  // namespace

Matrix4 Matrix4::lookAt(const Vector3& eye, const Vector3& center, const Vector3& up) {
  const Vector3 forward = normalize(Vector3(center.x - eye.x, center.y - eye.y, center.z - eye.z));
  Vector3 side = cross(forward, up);
  if (lengthSquared(side) < 1e-12f) side = cross(forward, Vector3(0.0f, 0.0f, -1.0f));
  if (lengthSquared(side) < 1e-12f) side = cross(forward, Vector3(1.0f, 0.0f, 0.0f));
  side = normalize(side);
  const Vector3 u = cross(side, forward);
  Matrix4 r;
  r.m[0] = side.x;
  r.m[4] = side.y;
  r.m[8] = side.z;
  r.m[1] = u.x;
  r.m[5] = u.y;
  r.m[9] = u.z;
  r.m[2] = -forward.x;
  r.m[6] = -forward.y;
  r.m[10] = -forward.z;
  r.m[12] = -(r.m[0] * eye.x + r.m[4] * eye.y + r.m[8] * eye.z);
  r.m[13] = -(r.m[1] * eye.x + r.m[5] * eye.y + r.m[9] * eye.z);
  r.m[14] = -(r.m[2] * eye.x + r.m[6] * eye.y + r.m[10] * eye.z);
  return r;
}

Matrix4 Matrix4::bias() {
  Matrix4 r;
  r.m[0] = r.m[5] = r.m[10] = 0.5f;
  r.m[12] = r.m[13] = r.m[14] = 0.5f;
  return r;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[c * 4 + k];
      r.m[c * 4 + row] = sum;
    }
  return r;
}

Matrix4 affineInverse(const Matrix4& a) {
  const float* m = a.m;
  // Inverse of the upper 3 x 3 by cofactors.
  const float c00 = m[5] * m[10] - m[9] * m[6], c01 = m[8] * m[6] - m[4] * m[10], c02 = m[4] * m[9] - m[8] * m[5];
  const float det = m[0] * c00 + m[1] * c01 + m[2] * c02;
  Matrix4 r;
  if (std::fabs(det) < 1e-20f) return r;
  const float inv = 1.0f / det;
  r.m[0] = c00 * inv;
  r.m[4] = c01 * inv;
  r.m[8] = c02 * inv;
  r.m[1] = (m[9] * m[2] - m[1] * m[10]) * inv;
  r.m[5] = (m[0] * m[10] - m[8] * m[2]) * inv;
  r.m[9] = (m[8] * m[1] - m[0] * m[9]) * inv;
  r.m[2] = (m[1] * m[6] - m[5] * m[2]) * inv;
  r.m[6] = (m[4] * m[2] - m[0] * m[6]) * inv;
  r.m[10] = (m[0] * m[5] - m[4] * m[1]) * inv;
  r.m[12] = -(r.m[0] * m[12] + r.m[4] * m[13] + r.m[8] * m[14]);
  r.m[13] = -(r.m[1] * m[12] + r.m[5] * m[13] + r.m[9] * m[14]);
  r.m[14] = -(r.m[2] * m[12] + r.m[6] * m[13] + r.m[10] * m[14]);
  return r;
}

Vector3 transformPoint(const Matrix4& a, const Vector3& p) {
  const float* m = a.m;
  return Vector3(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                 m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
}
