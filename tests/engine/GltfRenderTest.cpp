// Imported glTF scenes checked by pixels worked out from glTF's rules: texture orientation (the
// picture's top left is uv 0, 0), full base colour under a white directional light of intensity 1,
// BLEND, MASK, double-sided faces, the camera's framing from yfov, a spot light's cone, node
// animation at several times, a morph target's weight and a skinned joint's turn; and direct play
// of a .glb giving the same frame as the files vdgimport writes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "GLSuite.h"
#include "GltfTestFile.h"
#include "ReportCapture.h"
#include "SceneLoaderVDG.h"
#include "TempDir.h"
#include "VdgImportCommand.h"

namespace {

// Camera 3 in front of the z = 0 plane with a vertical field of view showing 1.5 above and below
// the centre: world (x, y, 0) is pixel (400 + 200 x, 300 + 200 y) of the 800 x 600 frame.
const std::string kEyeFov = std::to_string(2 * std::atan(0.5));
int px(double x) { return int(std::lround(400 + 200 * x)); }
int py(double y) { return int(std::lround(300 + 200 * y)); }

std::vector<float> square(float x0, float y0, float x1, float y1, float z = 0) {
  return {x0, y0, z, x1, y0, z, x1, y1, z, x0, y1, z};
}
const std::vector<uint32_t> kFront = {0, 1, 2, 0, 2, 3};
const std::vector<float> kUv = {0, 1, 1, 1, 1, 0, 0, 0};  // glTF: v = 0 at the picture's top

// Adds the camera and, unless lightless, a white directional light of intensity 1 along -Z.
void addEyeAndSun(GltfTestFile& file, bool sun = true) {
  file.add("cameras", "{\"type\":\"perspective\",\"perspective\":{\"yfov\":" + kEyeFov + ",\"znear\":0.1,\"zfar\":100}}");
  file.add("nodes", "{\"name\":\"eye\",\"camera\":0,\"translation\":[0,0,3]}");
  if (!sun) return;
  file.set("extensionsUsed", "[\"KHR_lights_punctual\"]");
  file.set("extensions", "{\"KHR_lights_punctual\":{\"lights\":[{\"type\":\"directional\",\"intensity\":1}]}}");
  file.add("nodes", "{\"name\":\"sun\",\"extensions\":{\"KHR_lights_punctual\":{\"light\":0}}}");
}

std::string keyed(GltfTestFile& file, const std::vector<float>& times, const std::vector<float>& values,
                  const std::string& type, const std::string& interpolation, int node, const std::string& path) {
  const int input = file.addFloats(times, "SCALAR");
  const int output = file.addFloats(values, type);
  return "{\"samplers\":[{\"input\":" + std::to_string(input) + ",\"output\":" + std::to_string(output) +
         ",\"interpolation\":\"" + interpolation + "\"}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":" +
         std::to_string(node) + ",\"path\":\"" + path + "\"}}]}";
}

// 8 x 8 picture of four 4 x 4 quadrants: top left red, top right green, bottom left blue, bottom
// right white; alpha per column half. Filtering blends only near the quadrants' edges.
std::vector<uint8_t> picture(uint8_t alphaLeft = 255, uint8_t alphaRight = 255) {
  const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const uint8_t* c = colours[(y >= 4) * 2 + (x >= 4)];
      rgba.insert(rgba.end(), {c[0], c[1], c[2], x >= 4 ? alphaRight : alphaLeft});
    }
  return GltfTestFile::png(8, 8, rgba);
}

int addPictureMaterial(GltfTestFile& file, const std::vector<uint8_t>& png, const std::string& extra = "") {
  file.add("images", "{\"bufferView\":" + std::to_string(file.addView(png)) + ",\"mimeType\":\"image/png\"}");
  file.add("textures", "{\"source\":0}");
  return file.add("materials", "{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}" + extra + "}");
}

class GltfRenderTest : public GLSuite<800, 600> {
 protected:
  // Writes the file, loads it directly and draws it at t seconds of glTF time. Every test has its
  // own file name: the texture manager keeps pictures by name for the whole process.
  void draw(const GltfTestFile& file, double seconds) {
    const std::string name = stem() + ".glb";
    ASSERT_TRUE(file.write(_dir.path() + "/" + name));
    _scene = SceneLoaderVDG().read(name, "data/textures/");
    ASSERT_TRUE(_scene);
    drawLoaded(seconds);
  }
  void drawLoaded(double seconds) {
    glViewport(0, 0, 800, 600);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    _scene->reapplyLights();
    _scene->setTime(float(seconds * 100));  // the effects' phase: 100 per second
    _scene->animate();
    _scene->render();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
  static void expectPixel(int x, int y, int r, int g, int b, int tolerance = 3) {
    const uint32_t got = gContext->readPixel(x, y);
    EXPECT_NEAR(redOf(got), r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(greenOf(got), g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(blueOf(got), b, tolerance) << "at " << x << "," << y;
  }
  static std::string stem() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
      if (c == '/') c = '_';
    return name;
  }
  static bool lit(int x, int y) { return redOf(gContext->readPixel(x, y)) > 100; }

  TempDir _dir{true};
  ReportCapture _reports;
  std::unique_ptr<Scene> _scene;
};

TEST_F(GltfRenderTest, PictureTopLeftIsUvOriginAndQuadFramedByYfov) {
  GltfTestFile file;
  file.addMesh(square(-1, -1, 1, 1), kFront, {}, kUv, addPictureMaterial(file, picture()));
  file.add("nodes", "{\"mesh\":0}");
  addEyeAndSun(file);
  draw(file, 0);
  expectPixel(px(-0.5), py(0.5), 255, 0, 0);
  expectPixel(px(0.5), py(0.5), 0, 255, 0);
  expectPixel(px(-0.5), py(-0.5), 0, 0, 255);
  expectPixel(px(0.5), py(-0.5), 255, 255, 255);
  // The quad's edges at y = 1 and x = 1.
  EXPECT_TRUE(lit(px(0.9), py(0.97)));
  EXPECT_FALSE(lit(px(0.9), py(1.03)));
  EXPECT_TRUE(lit(px(0.97), py(-0.9)));
  EXPECT_FALSE(lit(px(1.03), py(-0.9)));
  EXPECT_TRUE(_reports.reports().empty());
}

struct MaterialCase {
  const char* name;
  std::string material;  // JSON of the material; "" for the picture with MASK
  bool facingAway;
  int left[3], right[3];  // pixels at x = -0.5 and x = 0.5
};

class GltfMaterialTest : public GltfRenderTest, public ::testing::WithParamInterface<MaterialCase> {};

TEST_P(GltfMaterialTest, ShowsWhatGltfDefines) {
  const MaterialCase& c = GetParam();
  GltfTestFile file;
  int material = 0;
  if (c.material.empty())
    material = addPictureMaterial(file, picture(204, 51), ",\"alphaMode\":\"MASK\",\"alphaCutoff\":0.5");
  else
    material = file.add("materials", c.material);
  file.addMesh(square(-1, -1, 1, 1), c.facingAway ? std::vector<uint32_t>{0, 2, 1, 0, 3, 2} : kFront, {}, kUv,
               material);
  file.add("nodes", "{\"mesh\":0}");
  addEyeAndSun(file);
  draw(file, 0);
  expectPixel(px(-0.5), py(0.5), c.left[0], c.left[1], c.left[2]);
  expectPixel(px(0.5), py(0.5), c.right[0], c.right[1], c.right[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Materials, GltfMaterialTest,
    ::testing::Values(
        MaterialCase{"FullBaseColour", "{\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.6,0.4,0.2,1]}}", false,
                     {153, 102, 51}, {153, 102, 51}},
        MaterialCase{"Blend", "{\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,0,0,0.5]},\"alphaMode\":\"BLEND\"}",
                     false, {128, 0, 0}, {128, 0, 0}},
        MaterialCase{"MaskCutsBelowTheCutoff", "", false, {255, 0, 0}, {0, 0, 0}},
        MaterialCase{"SingleSidedBackIsCulled", "{}", true, {0, 0, 0}, {0, 0, 0}},
        MaterialCase{"DoubleSidedBackShows", "{\"doubleSided\":true}", true, {255, 255, 255}, {255, 255, 255}}),
    [](const ::testing::TestParamInfo<MaterialCase>& info) { return info.param.name; });

TEST_F(GltfRenderTest, SpotLightsInsideItsConeOnly) {
  GltfTestFile file;
  // The engine lights per vertex: a grid of 0.1 steps, so that the cone shows at the vertices.
  std::vector<float> grid;
  std::vector<uint32_t> cells;
  for (int y = 0; y <= 40; ++y)
    for (int x = 0; x <= 40; ++x) grid.insert(grid.end(), {x * 0.1f - 2, y * 0.1f - 2, 0});
  for (uint32_t y = 0; y < 40; ++y)
    for (uint32_t x = 0; x < 40; ++x) {
      const uint32_t i = y * 41 + x;
      cells.insert(cells.end(), {i, i + 1, i + 42, i, i + 42, i + 41});
    }
  file.addMesh(grid, cells);
  file.add("nodes", "{\"mesh\":0}");
  addEyeAndSun(file, false);
  // 2 above the plane; intensity 4 / 2^2 gives 1 at the plane's centre.
  file.set("extensionsUsed", "[\"KHR_lights_punctual\"]");
  file.set("extensions", "{\"KHR_lights_punctual\":{\"lights\":[{\"type\":\"spot\",\"intensity\":4,"
                         "\"spot\":{\"innerConeAngle\":0.3,\"outerConeAngle\":0.5}}]}}");
  file.add("nodes", "{\"translation\":[0,0,2],\"extensions\":{\"KHR_lights_punctual\":{\"light\":0}}}");
  draw(file, 0);
  // Inside: the light's N.L off the axis; the cone's edge lies at 2 tan(0.412) = 0.87.
  const int at05 = int(std::lround(255 * std::cos(std::atan(0.25))));
  const int at06 = int(std::lround(255 * std::cos(std::atan(0.3))));
  expectPixel(px(0.5), py(0), at05, at05, at05);
  expectPixel(px(0), py(0.6), at06, at06, at06);
  expectPixel(px(1.3), py(0), 0, 0, 0);
  expectPixel(px(0), py(-1.1), 0, 0, 0);
}

struct MoveCase {
  const char* interpolation;
  std::vector<float> values;
  double x;  // where glTF puts the quad at 0.48 s
};

class GltfMoveTest : public GltfRenderTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(GltfMoveTest, NodeAnimationPlacesTheQuad) {
  const MoveCase& c = GetParam();
  GltfTestFile file;
  file.addMesh(square(-0.25f, -0.25f, 0.25f, 0.25f), kFront);
  file.add("nodes", "{\"mesh\":0}");
  addEyeAndSun(file);
  file.add("animations", keyed(file, {0, 1}, c.values, "VEC3", c.interpolation, 0, "translation"));
  draw(file, 0.48);
  EXPECT_TRUE(lit(px(c.x - 0.2), py(0))) << c.interpolation;
  EXPECT_TRUE(lit(px(c.x + 0.2), py(0))) << c.interpolation;
  EXPECT_FALSE(lit(px(c.x - 0.3), py(0))) << c.interpolation;
  EXPECT_FALSE(lit(px(c.x + 0.3), py(0))) << c.interpolation;
  drawLoaded(1.0);
  EXPECT_TRUE(lit(px(1.0), py(0))) << c.interpolation;
}

INSTANTIATE_TEST_SUITE_P(
    Interpolations, GltfMoveTest,
    ::testing::Values(MoveCase{"LINEAR", {0, 0, 0, 1, 0, 0}, 0.48},
                      MoveCase{"STEP", {0, 0, 0, 1, 0, 0}, 0.0},
                      // Out-tangent 2 at the first key: 2 (s^3 - 2 s^2 + s) + (3 s^2 - 2 s^3).
                      MoveCase{"CUBICSPLINE", {0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}, 0.729600}));

TEST_F(GltfRenderTest, MorphTargetWeightMovesTheVertices) {
  GltfTestFile file;
  const int positions = file.addFloats(square(-0.25f, -0.25f, 0.25f, 0.25f), "VEC3");
  const int offsets = file.addFloats({1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0}, "VEC3");
  const int indices = file.addIndices(kFront);
  file.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(positions) +
                         "},\"indices\":" + std::to_string(indices) + ",\"targets\":[{\"POSITION\":" +
                         std::to_string(offsets) + "}]}],\"weights\":[0]}");
  file.add("nodes", "{\"mesh\":0,\"name\":\"blob\"}");
  addEyeAndSun(file);
  file.add("animations", keyed(file, {0, 1}, {0, 1}, "SCALAR", "LINEAR", 0, "weights"));
  draw(file, 0.5);
  EXPECT_TRUE(lit(px(0.5), py(0)));
  EXPECT_FALSE(lit(px(0.0), py(0)));
  drawLoaded(0.0);
  EXPECT_TRUE(lit(px(0.0), py(0)));
  EXPECT_NE(_scene->findObject(stem() + ".blob"), nullptr);
}

TEST_F(GltfRenderTest, SkinnedQuadFollowsItsJointsTurn) {
  GltfTestFile file;
  const int positions = file.addFloats(square(0.5f, -0.25f, 1.5f, 0.25f), "VEC3");
  const int joints = file.addJoints(std::vector<uint16_t>(16, 0));
  const int weights = file.addFloats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, "VEC4");
  const int indices = file.addIndices(kFront);
  file.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(positions) +
                         ",\"JOINTS_0\":" + std::to_string(joints) + ",\"WEIGHTS_0\":" + std::to_string(weights) +
                         "},\"indices\":" + std::to_string(indices) + "}]}");
  file.add("nodes", "{\"name\":\"bone\"}");
  file.add("nodes", "{\"name\":\"skinned\",\"mesh\":0,\"skin\":0}");
  file.add("skins", "{\"joints\":[0]}");
  addEyeAndSun(file);
  const float s = float(std::sqrt(0.5));  // 90 degrees about +Z
  file.add("animations", keyed(file, {0, 1}, {0, 0, 0, 1, 0, 0, s, s}, "VEC4", "LINEAR", 0, "rotation"));
  draw(file, 0);
  EXPECT_TRUE(lit(px(1.0), py(0)));
  EXPECT_FALSE(lit(px(0), py(1.0)));
  drawLoaded(1.0);
  EXPECT_FALSE(lit(px(1.0), py(0)));
  EXPECT_TRUE(lit(px(0), py(1.0)));
}

TEST_F(GltfRenderTest, DirectPlayDrawsTheFrameOfTheImportedFiles) {
  GltfTestFile file;
  file.addMesh(square(-1, -1, 1, 1), kFront, {}, kUv, addPictureMaterial(file, picture()));
  const int positions = file.addFloats(square(-0.5f, -0.9f, 0.5f, -0.4f, 0.5f), "VEC3");
  const int offsets = file.addFloats({0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}, "VEC3");
  const int indices = file.addIndices(kFront);
  file.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(positions) +
                         "},\"indices\":" + std::to_string(indices) + ",\"targets\":[{\"POSITION\":" +
                         std::to_string(offsets) + "}]}]}");
  file.add("nodes", "{\"mesh\":0}");
  file.add("nodes", "{\"mesh\":1,\"name\":\"morpher\"}");
  addEyeAndSun(file);
  file.add("animations", keyed(file, {0, 1}, {0, 1}, "SCALAR", "LINEAR", 1, "weights"));
  ASSERT_TRUE(file.write(_dir.path() + "/direct.glb"));
  std::FILE* quiet = std::fopen("/dev/null", "w");
  ASSERT_EQ(VdgImportCommand(quiet, quiet).run({"--name", "imported", "direct.glb", "."}), 0);
  std::fclose(quiet);

  std::vector<uint32_t> frames[2];
  for (const char* name : {"data/scenes/imported.vdg", "direct.glb"}) {
    _scene = SceneLoaderVDG().read(name, "data/textures/");
    ASSERT_TRUE(_scene) << name;
    drawLoaded(0.37);
    std::vector<uint32_t>& frame = frames[name[0] == 'd' && name[1] == 'i'];
    frame.resize(800 * 600);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
  }
  EXPECT_TRUE(frames[0] == frames[1]);
  EXPECT_TRUE(lit(px(0), py(-0.65 + 0.37)));  // the morphing quad moved up by the weight
  EXPECT_TRUE(_reports.reports().empty());
}

}  // namespace
