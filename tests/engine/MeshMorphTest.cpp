// Mesh building and the morph step: frame 0 before the start, blending, the held last frame,
// looping, bad timing values, the morph data reader on good, short and missing files.
#include <gtest/gtest.h>

#include "MeshObject.h"
#include "MorphDataReader.h"
#include "ReportCapture.h"
#include "Scene.h"
#include "StandInTextures.h"
#include "TempDir.h"
#include "VdgWriter.h"

namespace {

constexpr int kFrames = 3;

// Frame k, vertex v: position (10 k + v, 0, 0), normal (0, 0, k).
void morphFrames(std::vector<float>& positions, std::vector<float>& normals, int vertices) {
  for (int k = 0; k < kFrames; ++k)
    for (int v = 0; v < vertices; ++v) {
      positions.insert(positions.end(), {float(10 * k + v), 0.0f, 0.0f});
      normals.insert(normals.end(), {0.0f, 0.0f, float(k)});
    }
}

class MorphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    _scene.addMaterial(std::unique_ptr<Material>(new Material(1, "m")));
    auto mesh = std::unique_ptr<MeshObject>(new MeshObject(1, "petal"));
    mesh->setVertices(std::vector<MeshObject::Vertex>(2));
    mesh->setMaterialId(1);
    _mesh = mesh.get();
    _scene.addObject(std::move(mesh), -1);
    _scene.finish();
    std::vector<float> positions, normals;
    morphFrames(positions, normals, 2);
    _mesh->setMorphData(kFrames, positions, normals);
  }
  float x(int vertex) const { return _mesh->positionArray()[size_t(vertex) * 3]; }
  float nz() const { return _mesh->normalArray()[2]; }

  Scene _scene;
  MeshObject* _mesh = nullptr;
};

TEST_F(MorphTest, BeforeTheStartShowsFrameZero) {
  _scene.setMorphTiming(5, 1.0f, false);
  _mesh->animate(4, 0.9f);
  EXPECT_FLOAT_EQ(x(1), 1.0f);
  EXPECT_FLOAT_EQ(nz(), 0.0f);
  EXPECT_FALSE(_mesh->usesVertexBuffers());
}

struct BlendCase {
  const char* name;
  int32_t start;
  float rate;
  int frame;
  float fraction;
  float expectedX1;
};

class MorphBlendTest : public MorphTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(MorphBlendTest, BlendsNeighbouringFrames) {
  const BlendCase& c = GetParam();
  _scene.setMorphTiming(c.start, c.rate, false);
  _mesh->animate(c.frame, c.fraction);
  EXPECT_NEAR(x(1), c.expectedX1, 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(Cases, MorphBlendTest,
                         ::testing::Values(BlendCase{"AtStart", 2, 1.0f, 2, 0.0f, 1.0f},
                                           BlendCase{"Quarter", 0, 1.0f, 1, 0.25f, 13.5f},
                                           BlendCase{"HalfRate", 0, 0.5f, 3, 0.0f, 16.0f},
                                           BlendCase{"OffsetStart", 3, 2.0f, 3, 0.5f, 11.0f},
                                           BlendCase{"JustBeforeLast", 0, 1.0f, 1, 0.999f, 20.99f},
                                           BlendCase{"NegativeRateStaysOnFrameZero", 0, -1.0f, 2, 0.0f, 1.0f},
                                           BlendCase{"HugeRateHoldsTheLast", 0, 1e30f, 2, 0.0f, 21.0f}),
                         [](const ::testing::TestParamInfo<BlendCase>& info) { return std::string(info.param.name); });

TEST_F(MorphTest, PastTheEndTheLastFrameIsCopiedOnce) {
  _scene.setMorphTiming(0, 1.0f, false);
  _mesh->animate(7, 0.5f);
  EXPECT_FLOAT_EQ(x(0), 20.0f);
  EXPECT_FLOAT_EQ(nz(), 2.0f);
  EXPECT_TRUE(_mesh->morphEndHeld());
  // Held: the arrays are not written again (a mark left in them survives).
  const_cast<std::vector<float>&>(_mesh->positionArray())[0] = -1.0f;
  _mesh->animate(9, 0.0f);
  EXPECT_FLOAT_EQ(x(0), -1.0f);
  // Back inside the frames the blend runs again and the hold is released.
  _mesh->animate(0, 0.5f);
  EXPECT_FLOAT_EQ(x(0), 5.0f);
  EXPECT_FALSE(_mesh->morphEndHeld());
  // Frame 0 before the start (a jump back in time, a restart) releases it too.
  _mesh->animate(9, 0.0f);
  _scene.setMorphTiming(5, 1.0f, false);
  _mesh->animate(0, 0.0f);
  EXPECT_FLOAT_EQ(x(0), 0.0f);
  EXPECT_FALSE(_mesh->morphEndHeld());
  _mesh->animate(9, 0.0f);
  EXPECT_FLOAT_EQ(x(0), 20.0f);
}

TEST_F(MorphTest, LoopingWrapsFromTheLastFrameIntoTheFirst) {
  _scene.setMorphTiming(0, 1.0f, true);
  _mesh->animate(2, 0.5f);  // halfway from frame 2 back to frame 0
  EXPECT_FLOAT_EQ(x(1), 11.0f);
  _mesh->animate(4, 0.25f);  // frame 4 is frame 1 of the second round
  EXPECT_FLOAT_EQ(x(1), 13.5f);
  EXPECT_FALSE(_mesh->morphEndHeld());
}

TEST_F(MorphTest, MorphDataOfTheWrongSizeIsRefused) {
  ReportCapture reports;
  MeshObject other(2, "other");
  other.setVertices(std::vector<MeshObject::Vertex>(3));
  other.setMorphData(2, std::vector<float>(9), std::vector<float>(18));
  EXPECT_EQ(other.morphFrameCount(), 0);
  EXPECT_TRUE(reports.contains("Morph data does not fit the mesh: other"));
}

TEST(MorphDeathTest, MorphingAMeshOutsideAnyScene) {
  MeshObject mesh(1, "loose");
  mesh.setVertices(std::vector<MeshObject::Vertex>(1));
  std::vector<float> positions, normals;
  morphFrames(positions, normals, 1);
  mesh.setMorphData(kFrames, positions, normals);
  EXPECT_EXIT(mesh.animate(0, 0.0f), ::testing::ExitedWithCode(1), "Morphing without data");
}

TEST(MeshBuildTest, MissingNormalsAreAveragedFromTheFacesAndLayersFollowTheMaterial) {
  StandInTextures textures;
  Scene scene;
  auto textured = std::unique_ptr<Material>(new Material(1, "textured"));
  textured->setBaseMap(textures.get("base.png"));
  textured->chooseShadeModel();
  scene.addMaterial(std::move(textured));
  scene.addMaterial(std::unique_ptr<Material>(new Material(2, "plain")));
  MeshObject* meshes[2];
  for (int32_t materialId : {1, 2}) {
    auto mesh = std::unique_ptr<MeshObject>(new MeshObject(materialId, "m" + std::to_string(materialId)));
    std::vector<MeshObject::Vertex> vertices(4);
    vertices[1].position = Vector3(1, 0, 0);
    vertices[2].position = Vector3(0, 1, 0);
    vertices[3].position = Vector3(1, 1, 0);
    mesh->setVertices(vertices);
    mesh->setFaces({{0, 1, 2}, {1, 3, 2}});
    mesh->setLayer0(std::vector<MeshObject::TexCoord>(4));
    mesh->setLayer1(std::vector<MeshObject::TexCoord>(4));
    mesh->setMaterialId(materialId);
    meshes[materialId - 1] = mesh.get();
    scene.addObject(std::move(mesh), -1);
  }
  scene.finish();
  const std::vector<float>& n = meshes[0]->normalArray();
  ASSERT_EQ(n.size(), 12u);
  for (int v = 0; v < 4; ++v) EXPECT_FLOAT_EQ(n[size_t(v) * 3 + 2], 1.0f) << v;  // counter-clockwise in xy: +z
  EXPECT_EQ(meshes[0]->layer0Array().size(), 8u);
  EXPECT_TRUE(meshes[0]->layer1Array().empty());  // model 1 uses layer 0 only
  EXPECT_TRUE(meshes[1]->layer0Array().empty());
  EXPECT_EQ(meshes[0]->indexArray(), (std::vector<uint32_t>{0, 1, 2, 1, 3, 2}));
}

class MorphReaderTest : public ::testing::Test {
 protected:
  MorphReaderTest() : _mesh(1, "blomsterblad01") { _mesh.setVertices(std::vector<MeshObject::Vertex>(2)); }
  void writeMorph(const std::vector<uint8_t>& bytes) {
    _dir.write("data/scenes/morphdata_blomsterblad01.vmd", std::string(bytes.begin(), bytes.end()));
  }

  TempDir _dir{true};
  ReportCapture _reports;
  MeshObject _mesh;
};

TEST_F(MorphReaderTest, ReadsEveryFrameOfTheWriter) {
  std::vector<vdg::MorphFrame> frames(kFrames);
  for (int k = 0; k < kFrames; ++k) {
    frames[size_t(k)].positions = {{float(k), 1, 2}, {3, 4, float(k)}};
    frames[size_t(k)].normals = {{0, 0, 1}, {0, float(k), 0}};
  }
  writeMorph(vdg::morphDataBytes(frames));
  ASSERT_TRUE(MorphDataReader::loadMorphData(_mesh));
  EXPECT_EQ(_mesh.morphFrameCount(), kFrames);
  EXPECT_FALSE(_mesh.usesVertexBuffers());
  EXPECT_TRUE(_reports.reports().empty());
}

TEST_F(MorphReaderTest, MissingFileIsSilent) {
  EXPECT_FALSE(MorphDataReader::loadMorphData(_mesh));
  EXPECT_EQ(_mesh.morphFrameCount(), 0);
  EXPECT_TRUE(_reports.reports().empty());
}

TEST_F(MorphReaderTest, ShortOrForgedFilesAreReportedAndIgnored) {
  std::vector<vdg::MorphFrame> frames(2);
  for (vdg::MorphFrame& f : frames) {
    f.positions.resize(2);
    f.normals.resize(2);
  }
  std::vector<uint8_t> shortFile = vdg::morphDataBytes(frames);
  shortFile[0] = 3;  // claims a third frame it does not hold
  std::vector<uint8_t> negative = vdg::morphDataBytes(frames);
  negative[3] = 0x80;
  std::vector<uint8_t> huge = vdg::morphDataBytes(frames);
  huge[3] = 0x7f;
  for (const std::vector<uint8_t>& bytes : {shortFile, negative, huge, std::vector<uint8_t>{1, 0}}) {
    _reports.clear();
    writeMorph(bytes);
    EXPECT_FALSE(MorphDataReader::loadMorphData(_mesh));
    EXPECT_EQ(_mesh.morphFrameCount(), 0);
    EXPECT_TRUE(
        _reports.contains("morph data file is too short for its mesh: data/scenes/morphdata_blomsterblad01.vmd"));
  }
}

}  // namespace
