#include "Transform.h"

#include <cmath>

#include "QuaternionRotation.h"

namespace gltfimport {

Mat4d Transform::fromTrs(const Trs& trs) {
  const Quatd q = normalize(trs.rotation);
  const std::array<double, 9> rotation = quaternionRotation(q[0], q[1], q[2], q[3], 2.0);
  Mat4d r;
  for (int c = 0; c < 3; ++c) {
    for (int row = 0; row < 3; ++row) r.m[c * 4 + row] = rotation[size_t(row * 3 + c)] * trs.scale[c];
    r.m[12 + c] = trs.translation[c];
  }
  return r;
}

Mat4d Transform::multiply(const Mat4d& a, const Mat4d& b) {
  Mat4d out;
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + r] * b.m[c * 4 + k];
      out.m[c * 4 + r] = sum;
    }
  return out;
}

Mat4d Transform::scaling(double s) {
  Mat4d out;
  out.m[0] = out.m[5] = out.m[10] = s;
  return out;
}

double Transform::determinant3(const Mat4d& a) {
  const auto& m = a.m;
  return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
         m[8] * (m[1] * m[6] - m[5] * m[2]);
}

bool Transform::decompose(const Mat4d& matrix, Trs& trs) {
  const auto& m = matrix.m;
  trs.translation = {m[12], m[13], m[14]};
  Vec3d axes[3];
  for (int c = 0; c < 3; ++c) {
    axes[c] = {m[c * 4], m[c * 4 + 1], m[c * 4 + 2]};
    trs.scale[c] = length(axes[c]);
  }
  if (determinant3(matrix) < 0) trs.scale[0] = -trs.scale[0];
  Mat4d rotation;
  for (int c = 0; c < 3; ++c) {
    const double s = trs.scale[c];
    for (int r = 0; r < 3; ++r) rotation.m[c * 4 + r] = s != 0 ? axes[c][size_t(r)] / s : (r == c ? 1 : 0);
  }
  trs.rotation = fromMatrix(rotation);
  // Shear shows as axes that are not at right angles.
  bool orthogonal = true;
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b) {
      double dot = 0;
      for (int r = 0; r < 3; ++r) dot += rotation.m[a * 4 + r] * rotation.m[b * 4 + r];
      if (std::fabs(dot) > 1e-4) orthogonal = false;
    }
  return orthogonal;
}

Vec3d Transform::transformPoint(const Mat4d& a, const Vec3d& p) {
  const auto& m = a.m;
  return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12], m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
          m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
}

Vec3d Transform::transformDirection(const Mat4d& a, const Vec3d& d) {
  const auto& m = a.m;
  return {m[0] * d[0] + m[4] * d[1] + m[8] * d[2], m[1] * d[0] + m[5] * d[1] + m[9] * d[2],
          m[2] * d[0] + m[6] * d[1] + m[10] * d[2]};
}

Mat4d Transform::normalMatrix(const Mat4d& a) {
  const auto& m = a.m;
  const double det = determinant3(a);
  Mat4d out;
  if (std::fabs(det) < 1e-30 || !std::isfinite(det)) return out;
  // Cofactors of the upper 3 x 3 are the inverse transpose times the determinant.
  auto at = [&](int r, int c) { return m[c * 4 + r]; };
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      out.m[c * 4 + r] = (at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1)) / det;
    }
  return out;
}

Quatd Transform::normalize(const Quatd& q) {
  const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (!(n > 1e-12) || !std::isfinite(n)) return {0, 0, 0, 1};
  return {q[0] / n, q[1] / n, q[2] / n, q[3] / n};
}

Quatd Transform::slerp(const Quatd& a, const Quatd& b0, double t) {
  Quatd b = b0;
  double c = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
  if (c < 0) {
    c = -c;
    for (double& v : b) v = -v;
  }
  double s1 = 1 - t, s2 = t;
  if (c < 1 - 1e-9) {
    const double angle = std::acos(c);
    const double s = std::sin(angle);
    s1 = std::sin((1 - t) * angle) / s;
    s2 = std::sin(t * angle) / s;
  }
  return normalize({s1 * a[0] + s2 * b[0], s1 * a[1] + s2 * b[1], s1 * a[2] + s2 * b[2], s1 * a[3] + s2 * b[3]});
}

Quatd Transform::fromMatrix(const Mat4d& rotation) {
  auto at = [&](int r, int c) { return rotation.m[c * 4 + r]; };
  const double trace = at(0, 0) + at(1, 1) + at(2, 2);
  Quatd q;
  if (trace > 0) {
    const double s = std::sqrt(trace + 1) * 2;
    q = {(at(2, 1) - at(1, 2)) / s, (at(0, 2) - at(2, 0)) / s, (at(1, 0) - at(0, 1)) / s, s / 4};
  } else if (at(0, 0) > at(1, 1) && at(0, 0) > at(2, 2)) {
    const double s = std::sqrt(1 + at(0, 0) - at(1, 1) - at(2, 2)) * 2;
    q = {s / 4, (at(0, 1) + at(1, 0)) / s, (at(0, 2) + at(2, 0)) / s, (at(2, 1) - at(1, 2)) / s};
  } else if (at(1, 1) > at(2, 2)) {
    const double s = std::sqrt(1 + at(1, 1) - at(0, 0) - at(2, 2)) * 2;
    q = {(at(0, 1) + at(1, 0)) / s, s / 4, (at(1, 2) + at(2, 1)) / s, (at(0, 2) - at(2, 0)) / s};
  } else {
    const double s = std::sqrt(1 + at(2, 2) - at(0, 0) - at(1, 1)) * 2;
    q = {(at(0, 2) + at(2, 0)) / s, (at(1, 2) + at(2, 1)) / s, s / 4, (at(1, 0) - at(0, 1)) / s};
  }
  return normalize(q);
}

Vec3d Transform::normalize(const Vec3d& v) {
  const double n = length(v);
  if (!(n > 1e-20)) return v;
  return {v[0] / n, v[1] / n, v[2] / n};
}

Vec3d Transform::cross(const Vec3d& a, const Vec3d& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Transform::length(const Vec3d& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

}  // namespace gltfimport
