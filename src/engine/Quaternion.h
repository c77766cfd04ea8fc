#pragma once
// A rotation quaternion (x, y, z, w) exactly as scene files store it; never normalised on load.
#include "Matrix4.h"

struct Quaternion {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;

  Quaternion() = default;
  Quaternion(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

  // The rotation of the conjugate (the transpose of the usual matrix of (x, y, z, w)), divided by
  // the squared norm; (0, 0, 0, 0) gives the identity.
  Matrix4 toMatrix() const;
};

// Spherical blend from q1 (t = 0) to q2 (t = 1) the short way round, with spins extra half turns;
// nearly equal rotations blend linearly. The result is not renormalised.
Quaternion slerp(const Quaternion& q1, const Quaternion& q2, float t, int spins);
