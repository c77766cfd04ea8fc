#pragma once
// A 4 x 4 float matrix in GL column-major order: m[c * 4 + r] is row r, column c, so it goes to
// glLoadMatrixf / glMultMatrixf unchanged. Default-constructed it is the identity.

class Matrix4 {
 public:
  Matrix4();

  // Rotation Rx(x) * Ry(y) * Rz(z); angles in radians.
  static Matrix4 fromEuler(float x, float y, float z);

  float& operator[](int i) { return m[i]; }
  float operator[](int i) const { return m[i]; }
  const float* data() const { return m; }

  float m[16];
};
