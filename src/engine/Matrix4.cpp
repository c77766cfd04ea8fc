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
