#include "Petal.h"

#include <algorithm>
#include <cmath>

namespace scenegen {
namespace {
constexpr int kAlong = 12;  // segments from base to tip
constexpr int kAcross = 6;  // segments from edge to edge
constexpr float kThickness = 0.6f;

float smoothstep(float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}
}  // namespace

MeshBuilder petalMesh(float openness, const PetalStyle& style) {
  const float o = smoothstep((openness - style.delay) / (1.0f - style.delay));
  // The spine bends in the plane of the flower's axis (Y) and the petal's outward direction (Z):
  // a leaning start angle from the vertical and a bend along the length (inwards in the bud,
  // a curl back down when open).
  const float startAngle = radians(8.0f + (72.0f + style.tilt) * o);
  const float bend = radians(-40.0f + 85.0f * o);
  const float cup = (0.55f - 0.4f * o) * style.halfWidth;
  const float ds = style.length / kAlong;

  MeshBuilder inner;
  Vec3 spine{0.0f, 0.0f, 0.0f};
  for (int i = 0; i <= kAlong; ++i) {
    const float s = static_cast<float>(i) / kAlong;
    const float a = startAngle + bend * s * s;
    const Vec3 inward{0.0f, std::sin(a), -std::cos(a)};
    const float width = style.halfWidth * (0.12f + 0.88f * std::pow(std::sin(kPi * std::pow(s, 0.75f)), 0.7f));
    for (int j = 0; j <= kAcross; ++j) {
      const float x = -1.0f + 2.0f * static_cast<float>(j) / kAcross;
      const Vec3 p = spine + Vec3{x * width, 0.0f, 0.0f} + inward * (cup * x * x * (0.3f + 0.7f * s));
      inner.addVertex(p, inward, {0.5f * (x + 1.0f), -s});  // v along the petal, see petal.png
    }
    spine = spine + Vec3{0.0f, std::cos(a), std::sin(a)} * ds;
  }
  const int row = kAcross + 1;
  for (int i = 0; i < kAlong; ++i)
    for (int j = 0; j < kAcross; ++j) {
      const int a = i * row + j;
      inner.addQuad(a, a + row, a + row + 1, a + 1);
    }
  inner.computeNormals();

  MeshBuilder outer = inner;
  for (size_t k = 0; k < outer.vertexCount(); ++k)
    outer.positions()[k] = outer.positions()[k] - inner.normals()[k] * kThickness;
  outer.flip();
  inner.append(outer);
  return inner;
}

std::vector<vdg::MorphFrame> petalMorphFrames(int frameCount, const PetalStyle& style) {
  std::vector<vdg::MorphFrame> frames;
  const int n = std::max(frameCount, 2);
  for (int f = 0; f < n; ++f) {
    const MeshBuilder mesh = petalMesh(static_cast<float>(f) / static_cast<float>(n - 1), style);
    frames.push_back({mesh.positions(), mesh.normals()});
  }
  return frames;
}

}  // namespace scenegen
