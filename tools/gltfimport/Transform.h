#pragma once
// Double-precision affine transforms for the importer: 4 x 4 column-major matrices (element
// c * 4 + r is row r, column c, as glTF stores them) and unit quaternions in glTF's (x, y, z, w)
// order with the usual rotation sense.
#include <array>

namespace gltfimport {

using Vec3d = std::array<double, 3>;
using Quatd = std::array<double, 4>;  // x, y, z, w

struct Mat4d {
  std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct Trs {
  Vec3d translation{0, 0, 0};
  Quatd rotation{0, 0, 0, 1};
  Vec3d scale{1, 1, 1};
};

class Transform {
 public:
  static Mat4d fromTrs(const Trs& trs);
  static Mat4d multiply(const Mat4d& a, const Mat4d& b);  // a * b
  static Mat4d scaling(double s);
  // Splits an affine matrix into translation, rotation and scale. A negative determinant goes into
  // the x scale. Returns false when the matrix has shear (the parts then approximate it).
  static bool decompose(const Mat4d& matrix, Trs& trs);
  static Vec3d transformPoint(const Mat4d& matrix, const Vec3d& p);
  // The upper 3 x 3 applied to d (no translation).
  static Vec3d transformDirection(const Mat4d& matrix, const Vec3d& d);
  // The inverse transpose of the upper 3 x 3, for normals; identity when singular.
  static Mat4d normalMatrix(const Mat4d& matrix);
  static double determinant3(const Mat4d& matrix);

  static Quatd normalize(const Quatd& q);  // (0, 0, 0, 1) for a zero quaternion
  // Spherical interpolation the short way round, as glTF's LINEAR rotation channels take it.
  static Quatd slerp(const Quatd& a, const Quatd& b, double t);
  static Quatd fromMatrix(const Mat4d& rotation);  // of a pure rotation's upper 3 x 3
  static Vec3d normalize(const Vec3d& v);          // zero stays zero
  static Vec3d cross(const Vec3d& a, const Vec3d& b);
  static double length(const Vec3d& v);
};

}  // namespace gltfimport
