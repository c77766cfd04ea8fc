#pragma once
// An RGBA colour of floats 0..1, laid out as GL takes it (glLightfv, glMaterialfv).

struct Color4 {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;

  Color4() = default;
  Color4(float r_, float g_, float b_, float a_ = 1.0f) : r(r_), g(g_), b(b_), a(a_) {}
  const float* data() const { return &r; }
};
