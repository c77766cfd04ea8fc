// The scene generator's geometry: closed shapes are watertight with outward faces and normals,
// the stored rotations turn the way the engine reads them, and the petal's morph frames keep
// one vertex layout from bud to open flower.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <tuple>

#include "Petal.h"
#include "SceneBuilder.h"
#include "Shapes.h"

using namespace scenegen;

namespace {

using Key = std::tuple<float, float, float>;
Key keyOf(const Vec3& p) { return {p.x, p.y, p.z}; }

// Every directed edge between positions has its reverse: the surface is closed and consistently wound.
int unmatchedEdges(const MeshBuilder& mesh) {
  std::map<std::pair<Key, Key>, int> edges;
  for (const auto& f : mesh.faces())
    for (int i = 0; i < 3; ++i) ++edges[{keyOf(mesh.positions()[f[i]]), keyOf(mesh.positions()[f[(i + 1) % 3]])}];
  int unmatched = 0;
  for (const auto& [edge, count] : edges) {
    const auto reverse = edges.find({edge.second, edge.first});
    if (reverse == edges.end() || reverse->second != count) ++unmatched;
  }
  return unmatched;
}

struct ShapeCase {
  const char* name;
  std::function<MeshBuilder()> make;
  bool convex;  // faces must point away from the centre
};

}  // namespace

TEST(ScenegenShapes, ClosedShapesAreWatertightAndFaceOutwards) {
  const ShapeCase cases[] = {
      {"box",
       [] {
         return box({2.0f, 3.0f, 4.0f});
       },
       true},
      {"cylinder", [] { return cylinder(5.0f, 22.0f, 10); }, true},
      {"capsule", [] { return capsule(4.0f, 20.0f, 12, 4); }, true},
      {"sphere", [] { return sphere(3.0f, 16, 9); }, true},
      {"hexagonal prism",
       [] {
         std::vector<Vec2> hexagon;
         for (int i = 0; i < 6; ++i) hexagon.push_back({std::cos(i * kPi / 3), std::sin(i * kPi / 3)});
         return extrude(hexagon, 2.0f);
       },
       true},
      {"gear", [] { return extrude(gearOutline(12, 8.0f, 10.0f), 3.0f); }, false},
      {"torus", [] { return torus(10.0f, 2.0f, 16, 8); }, false},
  };
  for (const ShapeCase& shape : cases) {
    SCOPED_TRACE(shape.name);
    const MeshBuilder mesh = shape.make();
    ASSERT_GT(mesh.triangleCount(), 0u);
    ASSERT_EQ(mesh.normals().size(), mesh.vertexCount());
    ASSERT_EQ(mesh.uvs().size(), mesh.vertexCount());
    EXPECT_EQ(unmatchedEdges(mesh), 0);
    Vec3 centre;
    for (const Vec3& p : mesh.positions()) centre = centre + p * (1.0f / static_cast<float>(mesh.vertexCount()));
    int inward = 0, normalAgainstFace = 0;
    for (const auto& f : mesh.faces()) {
      for (int32_t i : f) ASSERT_LT(static_cast<size_t>(i), mesh.vertexCount());
      const Vec3 &a = mesh.positions()[f[0]], &b = mesh.positions()[f[1]], &c = mesh.positions()[f[2]];
      const Vec3 faceNormal = normalized(cross(b - a, c - a));
      if (shape.convex && dot(faceNormal, (a + b + c) * (1.0f / 3.0f) - centre) <= 0.0f) ++inward;
      for (int32_t i : f) {
        EXPECT_NEAR(length(mesh.normals()[i]), 1.0f, 1e-3f);
        if (dot(mesh.normals()[i], faceNormal) <= 0.0f) ++normalAgainstFace;
      }
    }
    EXPECT_EQ(inward, 0);
    EXPECT_EQ(normalAgainstFace, 0);
  }
}

TEST(ScenegenShapes, TerrainFacesUpAndFollowsItsHeight) {
  const MeshBuilder ground = terrain(100.0f, 50.0f, 4, 2, 1.0f, [](float x, float) { return x * 0.5f; });
  EXPECT_EQ(ground.vertexCount(), 15u);
  EXPECT_EQ(ground.triangleCount(), 16u);
  for (size_t i = 0; i < ground.vertexCount(); ++i) {
    EXPECT_FLOAT_EQ(ground.positions()[i].y, ground.positions()[i].x * 0.5f);
    EXPECT_GT(ground.normals()[i].y, 0.8f);  // a slope of 1 in 2 still faces up
    EXPECT_LT(ground.normals()[i].x, 0.0f);
  }
}

// The engine turns a stored quaternion (x, y, z, w) into the transpose of the usual matrix; the
// generator stores rotations so that this matrix turns points as intended.
TEST(ScenegenShapes, StoredRotationsTurnTheWayTheEngineReadsThem) {
  const struct {
    Vec3 axis;
    float degrees;
    Vec3 in, out;
  } cases[] = {
      {{0, 1, 0}, 90.0f, {0, 0, 1}, {1, 0, 0}},
      {{1, 0, 0}, 90.0f, {0, 1, 0}, {0, 0, 1}},
      {{0, 0, 1}, 90.0f, {1, 0, 0}, {0, 1, 0}},
      {{0, 0, 1}, -70.0f, {0, 1, 0}, {std::sin(radians(70.0f)), std::cos(radians(70.0f)), 0}},
  };
  for (const auto& c : cases) {
    const Rotation r = Rotation::axisAngle(c.axis, c.degrees);
    const Vec3 mine = r.rotate(c.in);
    EXPECT_NEAR(mine.x, c.out.x, 1e-5f);
    EXPECT_NEAR(mine.y, c.out.y, 1e-5f);
    EXPECT_NEAR(mine.z, c.out.z, 1e-5f);
    const vdg::Quat q = stored(r);
    const float n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, f = 2.0f / n;
    float m[16] = {};  // column-major, as the engine builds it
    m[0] = 1 - f * (q.y * q.y + q.z * q.z), m[1] = f * (q.x * q.y - q.z * q.w), m[2] = f * (q.x * q.z + q.y * q.w);
    m[4] = f * (q.x * q.y + q.z * q.w), m[5] = 1 - f * (q.x * q.x + q.z * q.z), m[6] = f * (q.y * q.z - q.x * q.w);
    m[8] = f * (q.x * q.z - q.y * q.w), m[9] = f * (q.y * q.z + q.x * q.w), m[10] = 1 - f * (q.x * q.x + q.y * q.y);
    const Vec3 engine{m[0] * c.in.x + m[4] * c.in.y + m[8] * c.in.z, m[1] * c.in.x + m[5] * c.in.y + m[9] * c.in.z,
                      m[2] * c.in.x + m[6] * c.in.y + m[10] * c.in.z};
    EXPECT_NEAR(engine.x, c.out.x, 1e-5f);
    EXPECT_NEAR(engine.y, c.out.y, 1e-5f);
    EXPECT_NEAR(engine.z, c.out.z, 1e-5f);
  }
}

TEST(ScenegenShapes, RotationTracksStayOnOneSideOfTheSphere) {
  SceneBuilder scene(50, 10);
  const std::vector<Rotation> track = scene.rotationTrack([](float t) {
    return Rotation::axisAngle({0, 1, 0}, 720.0f * t);
  });
  ASSERT_EQ(track.size(), 50u);
  for (size_t i = 1; i < track.size(); ++i) {
    const Rotation &a = track[i - 1], &b = track[i];
    EXPECT_GT(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w, 0.0f) << "sample " << i;
  }
}

TEST(ScenegenShapes, PetalFramesShareOneLayoutFromBudToBloom) {
  PetalStyle style;
  const std::vector<vdg::MorphFrame> frames = petalMorphFrames(20, style);
  ASSERT_EQ(frames.size(), 20u);
  const MeshBuilder bud = petalMesh(0.0f, style);
  ASSERT_EQ(frames[0].positions.size(), bud.vertexCount());
  for (size_t i = 0; i < bud.vertexCount(); ++i) EXPECT_FLOAT_EQ(frames[0].positions[i].z, bud.positions()[i].z);
  auto reach = [](const std::vector<Vec3>& points) {  // farthest distance from the flower's axis
    float r = 0.0f;
    for (const Vec3& p : points) r = std::fmax(r, std::hypot(p.x, p.z));
    return r;
  };
  for (const vdg::MorphFrame& frame : frames) {
    ASSERT_EQ(frame.positions.size(), bud.vertexCount());
    ASSERT_EQ(frame.normals.size(), bud.vertexCount());
  }
  EXPECT_LT(reach(frames.front().positions), 0.5f * style.length);  // a closed bud
  EXPECT_GT(reach(frames.back().positions), 0.8f * style.length);   // open and spread out
  // Both faces: the outer sheet mirrors the inner one's normals.
  const size_t half = bud.vertexCount() / 2;
  EXPECT_NEAR(dot(bud.normals()[0], bud.normals()[half]), -1.0f, 1e-4f);
}
