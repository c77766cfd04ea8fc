// The glTF importer's scenes checked through the engine objects they load into: triangles of every
// mode, transforms of a hierarchy, animation keys sampled by glTF's rules, cameras, lights, the
// defaults it adds, and bad input refused with the file and the part named.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "CameraObject.h"
#include "GltfImporter.h"
#include "GltfTestFile.h"
#include "LightObject.h"
#include "MeshObject.h"
#include "ReportCapture.h"
#include "SceneLoaderVDG.h"
#include "StandInTextures.h"
#include "TempDir.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

const std::vector<float> kQuad = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};

class GltfImportTest : public ::testing::Test {
 protected:
  std::unique_ptr<Scene> load(const GltfTestFile& file, const std::string& name = "scene.gltf") {
    EXPECT_TRUE(file.write(_dir.path() + "/" + name));
    return SceneLoaderVDG().read(name, "data/textures/");
  }

  // The importer run in memory; error holds its message.
  bool import(const GltfTestFile& file, gltfimport::ImportResult& result, std::string& error) {
    const std::string text = file.gltfText();
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    auto noFiles = [](const std::string&, std::vector<uint8_t>&) { return false; };
    return gltfimport::GltfImporter::importBytes(bytes, "bad.gltf", noFiles, {}, result, error);
  }

  TempDir _dir{true};
  StandInTextures _textures;
  ReportCapture _reports;
};

struct ModeCase {
  int mode;
  int vertices;
  std::vector<MeshObject::Face> faces;
};

class PrimitiveModeTest : public GltfImportTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(PrimitiveModeTest, BecomeTrianglesWithTheFirstOnesWinding) {
  const ModeCase& c = GetParam();
  GltfTestFile file;
  std::vector<float> positions;
  for (int i = 0; i < c.vertices; ++i) positions.insert(positions.end(), {float(i), float(i % 2), 0});
  const int accessor = file.addFloats(positions, "VEC3");
  file.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(accessor) +
                         "},\"mode\":" + std::to_string(c.mode) + "}]}");
  file.add("nodes", "{\"mesh\":0,\"name\":\"shape\"}");
  std::unique_ptr<Scene> scene = load(file);
  ASSERT_TRUE(scene);
  auto* mesh = dynamic_cast<MeshObject*>(scene->findObject("shape"));
  if (c.faces.empty()) {
    EXPECT_EQ(mesh, nullptr);  // points and lines are skipped
    return;
  }
  EXPECT_TRUE(_reports.reports().empty());
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->faces(), c.faces);
}

INSTANTIATE_TEST_SUITE_P(Modes, PrimitiveModeTest,
                         ::testing::Values(ModeCase{4, 6, {{0, 1, 2}, {3, 4, 5}}},
                                           ModeCase{5, 5, {{0, 1, 2}, {2, 1, 3}, {2, 3, 4}}},
                                           ModeCase{6, 5, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}},
                                           ModeCase{0, 3, {}}, ModeCase{1, 4, {}}));

TEST_F(GltfImportTest, HierarchyGivesWorldTransformsAndGeneratedNames) {
  GltfTestFile file;
  file.addMesh(kQuad, {0, 1, 2, 0, 2, 3});
  const double s = std::sqrt(0.5);
  // Parent: at (1, 0, 0), turned 90 degrees about +Z, scaled 2; child 2 up in the parent's frame.
  file.add("nodes", "{\"name\":\"parent\",\"children\":[1],\"translation\":[1,0,0],\"rotation\":[0,0," +
                        std::to_string(s) + "," + std::to_string(s) + "],\"scale\":[2,2,2]}");
  file.add("nodes", "{\"mesh\":0,\"translation\":[0,2,0]}");
  file.add("scenes", "{\"nodes\":[0]}");
  std::unique_ptr<Scene> scene = load(file);
  ASSERT_TRUE(scene);
  SceneObject* child = scene->findObject("node1");
  ASSERT_NE(child, nullptr);
  EXPECT_NEAR(child->position().x, -3.0f, 1e-5);
  EXPECT_NEAR(child->position().y, 0.0f, 1e-5);
  EXPECT_NEAR(child->scale().x, 2.0f, 1e-5);
  // The child's x axis points along world +Y.
  EXPECT_NEAR(child->rotationMatrix().m[1], 1.0f, 1e-5);
  ASSERT_NE(scene->findObject("parent"), nullptr);
}

struct KeyCase {
  const char* interpolation;
  std::vector<float> values;  // per key (CUBICSPLINE: in-tangent, value, out-tangent)
  float time;                 // seconds, on a sampled frame
  float expected;             // glTF's value of x at that time
};

class NodeAnimationTest : public GltfImportTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(NodeAnimationTest, SampledValuesFollowGltfInterpolation) {
  const KeyCase& c = GetParam();
  GltfTestFile file;
  file.addMesh(kQuad, {0, 1, 2, 0, 2, 3});
  file.add("nodes", "{\"mesh\":0,\"name\":\"mover\"}");
  const int input = file.addFloats({0.0f, 1.0f}, "SCALAR");
  const int output = file.addFloats(c.values, "VEC3");
  file.add("animations", "{\"samplers\":[{\"input\":" + std::to_string(input) + ",\"output\":" +
                             std::to_string(output) + ",\"interpolation\":\"" + c.interpolation +
                             "\"}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,\"path\":\"translation\"}}]}");
  std::unique_ptr<Scene> scene = load(file);
  ASSERT_TRUE(scene);
  // An effect's phase grows by 100 per second at its default speed.
  scene->setTime(c.time * 100.0f);
  scene->animate();
  EXPECT_NEAR(scene->findObject("mover")->position().x, c.expected, 1e-4) << c.interpolation << " " << c.time;
}

// Cubic: value 0 -> 10 with out-tangent 20 at the first key: p(s) = 20 (s^3 - 2s^2 + s) + 10 (3s^2 - 2s^3).
float cubic(float s) { return 20 * (s * s * s - 2 * s * s + s) + 10 * (3 * s * s - 2 * s * s * s); }

INSTANTIATE_TEST_SUITE_P(
    Interpolations, NodeAnimationTest,
    ::testing::Values(KeyCase{"LINEAR", {0, 0, 0, 10, 0, 0}, 0.48f, 4.8f},
                      KeyCase{"LINEAR", {0, 0, 0, 10, 0, 0}, 3.0f, 10.0f},
                      KeyCase{"STEP", {0, 0, 0, 10, 0, 0}, 0.96f, 0.0f},
                      KeyCase{"STEP", {0, 0, 0, 10, 0, 0}, 1.0f, 10.0f},
                      KeyCase{"CUBICSPLINE", {0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0}, 0.48f,
                              cubic(0.48f)},
                      KeyCase{"CUBICSPLINE", {0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0}, 0.2f,
                              cubic(0.2f)}));

TEST_F(GltfImportTest, RotationKeysTurnBySlerp) {
  GltfTestFile file;
  file.addMesh(kQuad, {0, 1, 2, 0, 2, 3});
  file.add("nodes", "{\"mesh\":0,\"name\":\"turner\"}");
  const double half = 170.0 / 2 * kPi / 180;  // 0 to 170 degrees about +Y
  const int input = file.addFloats({0.0f, 1.0f}, "SCALAR");
  const int output = file.addFloats({0, 0, 0, 1, 0, float(std::sin(half)), 0, float(std::cos(half))}, "VEC4");
  file.add("animations", "{\"samplers\":[{\"input\":" + std::to_string(input) + ",\"output\":" +
                             std::to_string(output) +
                             "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,\"path\":\"rotation\"}}]}");
  std::unique_ptr<Scene> scene = load(file);
  ASSERT_TRUE(scene);
  scene->setTime(48.0f);
  scene->animate();
  // Slerp turns by an angle proportional to time: 0.48 * 170 degrees. The x axis goes to
  // (cos a, 0, -sin a).
  const double angle = 0.48 * 170 * kPi / 180;
  const Matrix4& m = scene->findObject("turner")->rotationMatrix();
  EXPECT_NEAR(m.m[0], std::cos(angle), 1e-4);
  EXPECT_NEAR(m.m[2], -std::sin(angle), 1e-4);
}

TEST_F(GltfImportTest, CamerasAndLightsKeepTheirGltfMeaning) {
  GltfTestFile file;
  file.addMesh(kQuad, {0, 1, 2, 0, 2, 3});
  file.add("cameras", "{\"type\":\"perspective\",\"perspective\":{\"yfov\":0.9,\"znear\":0.5,\"zfar\":50}}");
  file.set("extensionsUsed", "[\"KHR_lights_punctual\"]");
  file.set("extensions", "{\"KHR_lights_punctual\":{\"lights\":[{\"type\":\"spot\",\"intensity\":50,"
                         "\"spot\":{\"innerConeAngle\":0.2,\"outerConeAngle\":0.3}},"
                         "{\"type\":\"directional\",\"color\":[1,0.5,0.25],\"intensity\":2}]}}");
  file.add("nodes", "{\"mesh\":0}");
  file.add("nodes", "{\"name\":\"eye\",\"camera\":0,\"translation\":[0,0,5]}");
  file.add("nodes", "{\"name\":\"spot\",\"translation\":[0,0,5],\"extensions\":{\"KHR_lights_punctual\":{\"light\":0}}}");
  file.add("nodes", "{\"name\":\"sun\",\"extensions\":{\"KHR_lights_punctual\":{\"light\":1}}}");
  std::unique_ptr<Scene> scene = load(file);
  ASSERT_TRUE(scene);
  CameraObject* eye = scene->findCamera("eye");
  ASSERT_NE(eye, nullptr);
  EXPECT_NEAR(eye->fieldOfView(), 0.9 * 180 / kPi, 1e-3);  // glTF's yfov is the vertical angle
  EXPECT_NEAR(eye->nearPlane(), 0.5f, 1e-6);
  ASSERT_NE(eye->target(), nullptr);
  EXPECT_NEAR(eye->target()->position().x, 0.0f, 1e-5);
  EXPECT_LT(eye->target()->position().z, 5.0f);  // it looks down -Z

  LightObject* spot = scene->findLight("spot");
  ASSERT_NE(spot, nullptr);
  EXPECT_NEAR(spot->spotCutoff(), std::acos((std::cos(0.2) + std::cos(0.3)) / 2) * 180 / kPi, 1e-3);
  // 50 / d^2 at the 5 units to the scene's centre.
  EXPECT_NEAR(spot->diffuse().r, 2.0f, 1e-4);
  LightObject* sun = scene->findLight("sun");
  ASSERT_NE(sun, nullptr);
  EXPECT_NEAR(sun->diffuse().g, 1.0f, 1e-5);
  EXPECT_GT(sun->position().z, 100.0f);  // far back along its light's reverse direction
  EXPECT_EQ(scene->findCamera("DefaultCamera"), nullptr);
  EXPECT_EQ(scene->findLight("DefaultLight"), nullptr);
}

TEST_F(GltfImportTest, SceneWithoutCameraOrLightGetsDefaults) {
  GltfTestFile file;
  file.addMesh(kQuad, {0, 1, 2, 0, 2, 3});
  file.add("nodes", "{\"mesh\":0,\"translation\":[10,0,0]}");
  std::unique_ptr<Scene> scene = load(file);
  ASSERT_TRUE(scene);
  CameraObject* camera = scene->findCamera("DefaultCamera");
  ASSERT_NE(camera, nullptr);
  ASSERT_NE(camera->target(), nullptr);
  EXPECT_NEAR(camera->target()->position().x, 10.0f, 1e-5);  // the scene's centre
  LightObject* light = scene->findLight("DefaultLight");
  ASSERT_NE(light, nullptr);
  EXPECT_NEAR(light->position().z, camera->position().z, 1e-5);
}

struct HostileCase {
  const char* name;
  std::string (*make)(GltfTestFile& file);  // adds the broken part; returns the text the error must hold
};

std::string quadNode(GltfTestFile& file) {
  file.add("nodes", "{\"mesh\":0}");
  return "";
}

const HostileCase kHostile[] = {
    {"AccessorPastItsView",
     [](GltfTestFile& f) {
       const int view = f.addView(std::vector<uint8_t>(24));
       f.add("accessors", "{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5126,\"count\":3,\"type\":\"VEC3\"}");
       f.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":0}}]}");
       quadNode(f);
       return std::string("accessor 0");
     }},
    {"HugeAccessorCount",
     [](GltfTestFile& f) {
       const int view = f.addView(std::vector<uint8_t>(36));
       f.add("accessors", "{\"bufferView\":" + std::to_string(view) +
                              ",\"componentType\":5126,\"count\":2147483648,\"type\":\"VEC3\"}");
       f.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":0}}]}");
       quadNode(f);
       return std::string("count 2147483648");
     }},
    {"WrongAccessorType",
     [](GltfTestFile& f) {
       f.addFloats({0, 0, 1, 0, 0, 1}, "VEC2");
       f.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":0}}]}");
       quadNode(f);
       return std::string("wrong type");
     }},
    {"IndexOutOfRange",
     [](GltfTestFile& f) {
       f.addMesh(kQuad, {0, 1, 7});
       quadNode(f);
       return std::string("out of range");
     }},
    {"NotFinitePositions",
     [](GltfTestFile& f) {
       f.addMesh({0, 0, 0, 1, 0, 0, std::nanf(""), 1, 0}, {});
       quadNode(f);
       return std::string("NaN");
     }},
    {"CyclicNodes",
     [](GltfTestFile& f) {
       f.add("nodes", "{\"children\":[1]}");
       f.add("nodes", "{\"children\":[0]}");
       return std::string("cycle");
     }},
    {"MissingPicture",
     [](GltfTestFile& f) {
       f.add("images", "{\"uri\":\"missing.png\"}");
       f.add("textures", "{\"source\":0}");
       f.add("materials", "{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
       f.addMesh(kQuad, {0, 1, 2}, {}, {0, 0, 1, 0, 1, 1, 0, 1}, 0);
       quadNode(f);
       return std::string("missing.png");
     }},
    {"UndecodablePicture",
     [](GltfTestFile& f) {
       const std::vector<uint8_t> broken = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
       f.add("images", "{\"bufferView\":" + std::to_string(f.addView(broken)) + ",\"mimeType\":\"image/png\"}");
       f.add("textures", "{\"source\":0}");
       f.add("materials", "{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
       f.addMesh(kQuad, {0, 1, 2}, {}, {0, 0, 1, 0, 1, 1, 0, 1}, 0);
       quadNode(f);
       return std::string("cannot be decoded");
     }},
    {"DracoRequired",
     [](GltfTestFile& f) {
       f.set("extensionsUsed", "[\"KHR_draco_mesh_compression\"]");
       f.set("extensionsRequired", "[\"KHR_draco_mesh_compression\"]");
       f.addMesh(kQuad, {0, 1, 2});
       quadNode(f);
       return std::string("KHR_draco_mesh_compression, which is not supported");
     }},
    {"OneAccessorSharedWithoutBound",
     [](GltfTestFile& f) {
       // 60 primitives of the same 100000 vertices: far more than the file holds.
       const int positions = f.addFloats(std::vector<float>(300000, 0.5f), "VEC3");
       std::string primitives;
       for (int i = 0; i < 60; ++i)
         primitives += std::string(i ? "," : "") + "{\"attributes\":{\"POSITION\":" + std::to_string(positions) + "}}";
       f.add("meshes", "{\"primitives\":[" + primitives + "]}");
       quadNode(f);
       return std::string("too many vertices in all");
     }},
    {"EndlessAnimation",
     [](GltfTestFile& f) {
       f.addMesh(kQuad, {0, 1, 2});
       quadNode(f);
       const int input = f.addFloats({0.0f, 1e9f}, "SCALAR");
       const int output = f.addFloats({0, 0, 0, 1, 0, 0}, "VEC3");
       f.add("animations", "{\"samplers\":[{\"input\":" + std::to_string(input) + ",\"output\":" +
                               std::to_string(output) +
                               "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,\"path\":\"translation\"}}]}");
       return std::string("too long");
     }},
};

class GltfHostileTest : public GltfImportTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(GltfHostileTest, IsRefusedNamingTheFileAndThePart) {
  GltfTestFile file;
  const std::string part = GetParam().make(file);
  gltfimport::ImportResult result;
  std::string error;
  EXPECT_FALSE(import(file, result, error));
  EXPECT_EQ(error.rfind("bad.gltf: ", 0), 0u) << error;
  EXPECT_NE(error.find(part), std::string::npos) << error;
  EXPECT_TRUE(result.scene.empty());
  EXPECT_TRUE(result.pictures.empty());
}

INSTANTIATE_TEST_SUITE_P(BadInput, GltfHostileTest, ::testing::ValuesIn(kHostile),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

}  // namespace
