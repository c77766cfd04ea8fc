#pragma once
// A smooth path through control points (Catmull-Rom), for camera flights and moving targets.
#include <vector>

#include "GenMath.h"

namespace scenegen {

class SplinePath {
 public:
  // closed: the path runs back from the last point to the first.
  SplinePath(std::vector<Vec3> points, bool closed);
  // t in 0..1 over the whole path (clamped); the points are spread evenly in t.
  Vec3 at(float t) const;

 private:
  Vec3 point(int index) const;

  std::vector<Vec3> _points;
  bool _closed;
};

}  // namespace scenegen
