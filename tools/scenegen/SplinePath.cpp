#include "SplinePath.h"

#include <algorithm>
#include <cmath>

namespace scenegen {

SplinePath::SplinePath(std::vector<Vec3> points, bool closed) : _points(std::move(points)), _closed(closed) {}

Vec3 SplinePath::point(int index) const {
  const int n = static_cast<int>(_points.size());
  if (_closed) return _points[static_cast<size_t>(((index % n) + n) % n)];
  return _points[static_cast<size_t>(std::clamp(index, 0, n - 1))];
}

Vec3 SplinePath::at(float t) const {
  if (_points.empty()) return {};
  if (_points.size() == 1) return _points[0];
  const int spans = static_cast<int>(_points.size()) - (_closed ? 0 : 1);
  const float s = std::clamp(t, 0.0f, 1.0f) * static_cast<float>(spans);
  const int i = std::min(static_cast<int>(std::floor(s)), spans - 1);
  const float f = s - static_cast<float>(i);
  const Vec3 p0 = point(i - 1), p1 = point(i), p2 = point(i + 1), p3 = point(i + 2);
  const float f2 = f * f, f3 = f2 * f;
  return 0.5f * ((2.0f * p1) + (p2 - p0) * f + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * f2 +
                 (3.0f * p1 - p0 - 3.0f * p2 + p3) * f3);
}

}  // namespace scenegen
