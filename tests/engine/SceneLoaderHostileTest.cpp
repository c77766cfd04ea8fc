// Broken and hostile scene files: truncation at every byte, forged counts and lengths, bad
// timing, faces outside the vertices, long names, and the fatal reports the format keeps.
#include <gtest/gtest.h>

#include "ErrorReport.h"
#include "MeshObject.h"
#include "ReportCapture.h"
#include "SceneLoaderVDG.h"
#include "StandInTextures.h"
#include "TempDir.h"
#include "VdgWriter.h"

namespace {

class HostileSceneTest : public ::testing::Test {
 protected:
  std::unique_ptr<Scene> read(const std::vector<uint8_t>& bytes, const std::string& name = "data/scenes/bad.vdg") {
    _dir.write(name, std::string(bytes.begin(), bytes.end()));
    return SceneLoaderVDG().read(name, "data/textures/");
  }

  TempDir _dir{true};
  StandInTextures _textures;
  ReportCapture _reports;
};

vdg::MeshRecord triangle(const std::string& name, int32_t id, int32_t materialId) {
  vdg::MeshRecord m;
  m.header.name = name;
  m.header.id = id;
  m.header.materialId = materialId;
  m.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  m.faces = {{0, 1, 2}};
  return m;
}

// A file with every chunk kind and every optional part present.
std::vector<uint8_t> fullFile() {
  vdg::VdgWriter w(0, 320, 160);
  vdg::MaterialRecord m;
  m.id = 1;
  m.name = "m";
  m.textures = {{"a.png", 1}, {"b.png", 7}};
  w.addMaterials({m});
  vdg::ObjectHeader h;
  h.name = "h";
  h.id = 1;
  h.positionTrack = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  h.rotationTrack = {{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}};
  h.scaleTrack = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
  w.addHelper(h);
  vdg::MeshRecord mesh = triangle("t", 2, 1);
  mesh.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
  mesh.uvSets[0] = {{0, 0}, {1, 0}, {0, 1}};
  mesh.colors = {{1, 1, 1}};
  w.addMesh(mesh);
  vdg::LightRecord l;
  l.header.name = "l";
  l.header.id = 3;
  l.projectorTexture = "p.png";
  w.addLight(l);
  vdg::CameraRecord c;
  c.header.name = "c";
  c.header.id = 4;
  w.addCamera(c);
  w.addPlainObject(5, "p");
  return w.finish();
}

TEST_F(HostileSceneTest, EveryTruncationIsRefusedAndNamesTheFile) {
  const std::vector<uint8_t> full = fullFile();
  ASSERT_TRUE(read(full));
  for (size_t length = 0; length < full.size(); ++length) {
    _reports.clear();
    const std::vector<uint8_t> prefix(full.begin(), full.begin() + long(length));
    EXPECT_FALSE(read(prefix)) << length;
    if (length < 7) {
      EXPECT_TRUE(_reports.reports().empty()) << length;  // no version: silent
    } else {
      ASSERT_EQ(_reports.reports().size(), 1u) << length;
      EXPECT_TRUE(_reports.contains("data/scenes/bad.vdg")) << length;
      EXPECT_TRUE(_reports.contains("truncated or broken")) << length;
    }
  }
}

struct ForgedCase {
  const char* name;
  std::vector<uint8_t> (*make)();
  const char* chunk;  // named in the report
};

// Pieces of files whose counts claim more than the file holds.
std::vector<uint8_t> hugeMaterialCount() {
  vdg::VdgWriter w(0, 0, 1);
  w.addInt(1);
  w.addInt(0x7fffffff);
  return w.finish();
}
std::vector<uint8_t> hugeTextureCount() {
  vdg::VdgWriter w(0, 0, 1);
  w.addInt(1);
  w.addInt(1);
  w.addInt(0);
  w.addInt(1);
  w.addString("m");
  for (int i = 0; i < 13; ++i) w.addFloat(0.0f);
  w.addInt(0x20000000);
  return w.finish();
}
std::vector<uint8_t> objectHeaderUpTo(int32_t tag, const std::string& name) {
  vdg::VdgWriter w(0, 0, 1);
  w.addInt(tag);
  w.addString(name);
  w.addInt(1);
  w.addInt(-1);
  w.addInt(1);
  for (int i = 0; i < 13; ++i) w.addFloat(1.0f);
  std::vector<uint8_t> bytes = w.bytes();
  return bytes;
}
void appendInt(std::vector<uint8_t>& bytes, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint32_t(value) >> (8 * i)));
}
std::vector<uint8_t> hugeTrack() {
  std::vector<uint8_t> b = objectHeaderUpTo(7, "h");
  appendInt(b, 0x15555556);  // x 12 bytes wraps 32 bits
  appendInt(b, 0x9999);
  return b;
}
std::vector<uint8_t> hugeRotationTrack() {
  std::vector<uint8_t> b = objectHeaderUpTo(7, "h");
  appendInt(b, 0);
  appendInt(b, 0x10000001);  // x 16 bytes wraps 32 bits
  appendInt(b, 0x9999);
  return b;
}
std::vector<uint8_t> hugeVertexCount() {
  std::vector<uint8_t> b = objectHeaderUpTo(5, "m");
  for (int i = 0; i < 3; ++i) appendInt(b, 0);
  appendInt(b, 0x7fffffff);
  appendInt(b, 0x9999);
  return b;
}
std::vector<uint8_t> negativeVertexCount() {
  std::vector<uint8_t> b = objectHeaderUpTo(5, "m");
  for (int i = 0; i < 3; ++i) appendInt(b, 0);
  appendInt(b, -3);
  appendInt(b, 0x9999);
  return b;
}
std::vector<uint8_t> hugeFaceCount() {
  std::vector<uint8_t> b = objectHeaderUpTo(5, "m");
  for (int i = 0; i < 3 + 1 + 1 + 3 + 1; ++i) appendInt(b, 0);  // tracks, V, N, three sets, colours
  appendInt(b, 0x40000000);
  appendInt(b, 0x9999);
  return b;
}
std::vector<uint8_t> hugeStringLength() {
  vdg::VdgWriter w(0, 0, 1);
  w.addInt(7);
  w.addInt(0x7ffffff0);
  return w.finish();
}
std::vector<uint8_t> negativeStringLength() {
  vdg::VdgWriter w(0, 0, 1);
  w.addInt(6);
  w.addInt(1);
  w.addInt(-8);
  return w.finish();
}
std::vector<uint8_t> hugeProjectorName() {
  vdg::VdgWriter w(0, 0, 1);
  vdg::LightRecord l;
  l.header.name = "l";
  l.projectorTexture = "p";
  w.addLight(l);
  std::vector<uint8_t> b = w.bytes();
  b.resize(b.size() - 5);  // drop the name "p" and its length
  appendInt(b, 0x7fffffff);
  return b;
}

class ForgedCountTest : public HostileSceneTest, public ::testing::WithParamInterface<ForgedCase> {};

TEST_P(ForgedCountTest, IsRefusedWithAReportNamingFileAndChunk) {
  EXPECT_FALSE(read(GetParam().make()));
  ASSERT_EQ(_reports.reports().size(), 1u);
  EXPECT_TRUE(_reports.contains("scene file data/scenes/bad.vdg: " + std::string(GetParam().chunk) +
                                " chunk is truncated or broken"))
      << _reports.reports().front();
}

INSTANTIATE_TEST_SUITE_P(Cases, ForgedCountTest,
                         ::testing::Values(ForgedCase{"MaterialCount", hugeMaterialCount, "material list"},
                                           ForgedCase{"TextureCount", hugeTextureCount, "material list"},
                                           ForgedCase{"PositionTrack", hugeTrack, "helper object"},
                                           ForgedCase{"RotationTrack", hugeRotationTrack, "helper object"},
                                           ForgedCase{"VertexCount", hugeVertexCount, "mesh"},
                                           ForgedCase{"NegativeVertexCount", negativeVertexCount, "mesh"},
                                           ForgedCase{"FaceCount", hugeFaceCount, "mesh"},
                                           ForgedCase{"StringLength", hugeStringLength, "helper object"},
                                           ForgedCase{"NegativeStringLength", negativeStringLength, "plain object"},
                                           ForgedCase{"ProjectorName", hugeProjectorName, "light"}),
                         [](const ::testing::TestParamInfo<ForgedCase>& info) { return std::string(info.param.name); });

TEST_F(HostileSceneTest, UnusableTimingIsRefused) {
  for (const vdg::VdgWriter& w : {vdg::VdgWriter(0, 100, 0), vdg::VdgWriter(0, 100, -5), vdg::VdgWriter(500, 0, 100),
                                  vdg::VdgWriter(-2147483647 - 1, 2147483647, 1)}) {
    _reports.clear();
    EXPECT_FALSE(read(w.finish()));
    EXPECT_TRUE(_reports.contains("no usable animation timing"));
  }
  // End just below start still gives one frame.
  EXPECT_TRUE(read(vdg::VdgWriter(100, 50, 160).finish()));
}

TEST_F(HostileSceneTest, FacesOutsideTheVerticesAreDropped) {
  vdg::VdgWriter w(0, 0, 1);
  vdg::MaterialRecord m;
  m.id = 1;
  w.addMaterials({m});
  vdg::MeshRecord mesh = triangle("holes", 1, 1);
  mesh.faces = {{0, 1, 2}, {0, 1, 3}, {-1, 0, 1}, {2, 1, 0}};
  w.addMesh(mesh);
  std::unique_ptr<Scene> scene = read(w.finish());
  ASSERT_TRUE(scene);
  auto* holes = dynamic_cast<MeshObject*>(scene->findObject("holes"));
  ASSERT_NE(holes, nullptr);
  EXPECT_EQ(holes->faceCount(), 2);
  EXPECT_EQ(holes->indexArray(), (std::vector<uint32_t>{0, 1, 2, 2, 1, 0}));
  EXPECT_TRUE(_reports.contains("faces outside the vertices dropped from mesh: holes"));
}

TEST_F(HostileSceneTest, LongNamesAreCutAndLoadingGoesOn) {
  vdg::VdgWriter w(0, 0, 1);
  w.addPlainObject(1, std::string(5000, 'n'));
  w.addPlainObject(2, std::string("in\0side", 7));
  w.addPlainObject(3, "after");
  std::unique_ptr<Scene> scene = read(w.finish());
  ASSERT_TRUE(scene);
  ASSERT_EQ(scene->objects().size(), 3u);
  EXPECT_EQ(scene->objects()[0]->name(), std::string(SceneFileReader::kMaxStringLength, 'n'));
  EXPECT_EQ(scene->objects()[1]->name(), "in");
  EXPECT_NE(scene->findObject("after"), nullptr);
}

TEST_F(HostileSceneTest, DeepNestingStopsAtTheLimit) {
  vdg::VdgWriter w(0, 0, 1);
  for (int32_t id = 1; id <= Scene::kMaxNesting + 2; ++id) {
    vdg::ObjectHeader h;
    h.name = "n" + std::to_string(id);
    h.id = id;
    h.parentId = id - 1 == 0 ? -1 : id - 1;
    w.addHelper(h);
  }
  std::unique_ptr<Scene> scene = read(w.finish());
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->findObject("n" + std::to_string(Scene::kMaxNesting + 1))->depth(), Scene::kMaxNesting);
  EXPECT_TRUE(_reports.contains("object nested too deep, left unattached: n" + std::to_string(Scene::kMaxNesting + 2)));
}

// Fatal reports must reach stderr, so these run without a report capture.
class HostileSceneDeathTest : public ::testing::Test {
 protected:
  std::unique_ptr<Scene> read(const std::vector<uint8_t>& bytes) {
    _dir.write("data/scenes/bad.vdg", std::string(bytes.begin(), bytes.end()));
    return SceneLoaderVDG().read("data/scenes/bad.vdg", "data/textures/");
  }

  TempDir _dir{true};
  StandInTextures _textures;
};

TEST_F(HostileSceneDeathTest, UnknownChunkTagIsAFatalAssertion) {
  vdg::VdgWriter w(0, 0, 1);
  w.addPlainObject(1, "before");
  w.addInt(2);
  const std::vector<uint8_t> bytes = w.finish();
  EXPECT_EXIT(read(bytes), ::testing::ExitedWithCode(1), "assertion failed");
}

TEST_F(HostileSceneDeathTest, MeshWithoutItsMaterialIsFatal) {
  vdg::VdgWriter w(0, 0, 1);
  w.addMesh(triangle("lonely", 1, 42));
  const std::vector<uint8_t> bytes = w.finish();
  EXPECT_EXIT(read(bytes), ::testing::ExitedWithCode(1), "No Material for mesh: lonely");
}

TEST_F(HostileSceneDeathTest, MismatchedCountsBreakTheGeometry) {
  vdg::VdgWriter w(0, 0, 1);
  vdg::MaterialRecord m;
  m.id = 1;
  w.addMaterials({m});
  vdg::MeshRecord mesh = triangle("odd", 1, 1);
  mesh.normals = {{0, 0, 1}, {0, 0, 1}};
  w.addMesh(mesh);
  const std::vector<uint8_t> bytes = w.finish();
  EXPECT_EXIT(read(bytes), ::testing::ExitedWithCode(1), "Geometry input is broken");
}

}  // namespace
