#pragma once
// The usual rotation matrix R of the quaternion (x, y, z, w) (w the real part), row by row:
// element r * 3 + c is R[r][c]. f scales the products: 2 for a unit quaternion, 2 / |q|^2 for
// any other. Shared by the engine's Quaternion (float) and the glTF importer's Transform (double),
// which store R in their own layouts. Header only, so the importer needs no engine library.
#include <array>

template <typename T>
std::array<T, 9> quaternionRotation(T x, T y, T z, T w, T f) {
  return {T(1) - f * (y * y + z * z), f * (x * y - z * w),        f * (x * z + y * w),
          f * (x * y + z * w),        T(1) - f * (x * x + z * z), f * (y * z - x * w),
          f * (x * z - y * w),        f * (y * z + x * w),        T(1) - f * (x * x + y * y)};
}
