#pragma once
// A 4 x 4 float matrix in GL column-major order: m[c * 4 + r] is row r, column c, so it goes to
// glLoadMatrixf / glMultMatrixf unchanged. Default-constructed it is the identity.

#include "Vector3.h"

class Matrix4 {
 public:
  Matrix4();

  // Rotation Rx(x) * Ry(y) * Rz(z); angles in radians.
  static Matrix4 fromEuler(float x, float y, float z);

  // The matrix gluPerspective makes: vertical field of view in degrees.
  static Matrix4 perspective(float fovYDegrees, float aspect, float nearPlane, float farPlane);
  // The matrix gluLookAt makes. An up vector parallel to the viewing direction has no defined
  // side axis: the side is then taken from a fixed fallback axis, so the result stays finite.
  static Matrix4 lookAt(const Vector3& eye, const Vector3& center, const Vector3& up);
  // Scales x, y and z by 0.5 and moves them by 0.5: clip space to texture space.
  static Matrix4 bias();

  float& operator[](int i) { return m[i]; }
  float operator[](int i) const { return m[i]; }
  const float* data() const { return m; }

  float m[16];
};

// a * b (b applied first).
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
// Inverse of a rotation-scale-translation matrix (last row 0 0 0 1); the identity when singular.
Matrix4 affineInverse(const Matrix4& a);
// The matrix applied to the point (x, y, z, 1); the w result is dropped.
Vector3 transformPoint(const Matrix4& a, const Vector3& p);
