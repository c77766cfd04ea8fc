// Shadow receivers drawn in one pass by the receiver program against the two literal passes: which
// materials take the program, and the same pictures on the generated scenes with shadows, through
// the depth pixel buffer and through the copy from the frame buffer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GLSuite.h"
#include "GlslProgram.h"
#include "LightObject.h"
#include "Material.h"
#include "MeshObject.h"
#include "MorphDataReader.h"
#include "PBuffer.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"
#include "ShadowShader.h"
#include "Texture.h"

namespace {

struct HandlesCase {
  const char* name;
  std::function<void(Material&)> setUp;  // on a lit model 0 material
  GLenum fog;
  bool handled;
  bool singleLayer = false;  // the mesh is convex
};

Texture* someTexture() {
  static Texture texture(GL_TEXTURE_2D, GL_RGBA);  // never bound: only its presence counts
  return &texture;
}

class ShadowShaderHandlesTest : public ::testing::TestWithParam<HandlesCase> {
 protected:
  void TearDown() override { ShadowShader::setLiteralPath(false); }
};

TEST_P(ShadowShaderHandlesTest, TakesOnlyRecipesItReproduces) {
  const HandlesCase& c = GetParam();
  Material material(1, "m");
  c.setUp(material);
  ShadowShader::Receiver receiver;
  receiver.fog = c.fog;
  receiver.leftOut = 0;
  receiver.singleLayer = c.singleLayer;
  EXPECT_EQ(ShadowShader::handles(material, receiver), c.handled);
}

const auto kModel = [](int32_t model) { return [model](Material& m) { m.setShadeModel(model); }; };

INSTANTIATE_TEST_SUITE_P(
    Materials, ShadowShaderHandlesTest,
    ::testing::Values(
        HandlesCase{"lit", kModel(0), false, true}, HandlesCase{"lit_in_linear_fog", kModel(0), GL_LINEAR, true},
        HandlesCase{"lit_in_exp_fog", kModel(0), GL_EXP, true},
        HandlesCase{"lit_in_exp2_fog", kModel(0), GL_EXP2, true},
        HandlesCase{"lit_in_unknown_fog", kModel(0), GL_ONE, false},
        HandlesCase{"base_map",
                    [](Material& m) {
                      m.setBaseMap(someTexture());
                      m.setShadeModel(1);
                    },
                    false, true},
        HandlesCase{"base_map_missing", kModel(1), false, true}, HandlesCase{"reflection", kModel(2), false, true},
        HandlesCase{"reflection_sphere", kModel(3), false, false},
        HandlesCase{"base_and_reflection", kModel(4), false, true}, HandlesCase{"two_maps", kModel(5), false, true},
        HandlesCase{"two_maps_extra_light",
                    [](Material& m) {
                      m.setShadeModel(5);
                      m.setExtraLightPass(true);
                    },
                    false, false},
        HandlesCase{"second_map", kModel(6), false, true}, HandlesCase{"bump", kModel(7), false, false},
        HandlesCase{"bump_reflection", kModel(8), false, false}, HandlesCase{"ramp", kModel(9), false, false},
        HandlesCase{"ramp_map", kModel(10), false, false}, HandlesCase{"cube", kModel(11), false, false},
        HandlesCase{"cube_reflection", kModel(12), false, false},
        HandlesCase{"render_target", kModel(13), false, false},
        HandlesCase{"alpha_test", [](Material& m) { m.setAlphaTest(true, 0.5f); }, false, true},
        HandlesCase{"half_opaque", [](Material& m) { m.setOpacity(0.5f); }, false, false},
        HandlesCase{"additive", [](Material& m) { m.setAdditive(true); }, false, false},
        HandlesCase{"additive_convex", [](Material& m) { m.setAdditive(true); }, false, true, true},
        HandlesCase{"additive_convex_in_fog", [](Material& m) { m.setAdditive(true); }, GL_EXP, true, true},
        HandlesCase{"additive_convex_half_opaque",
                    [](Material& m) {
                      m.setAdditive(true);
                      m.setOpacity(0.5f);
                    },
                    false, false, true},
        HandlesCase{"additive_convex_alpha_test",
                    [](Material& m) {
                      m.setAdditive(true);
                      m.setAlphaTest(true, 0.5f);
                    },
                    false, false, true},
        HandlesCase{"additive_convex_two_sided",
                    [](Material& m) {
                      m.setAdditive(true);
                      m.setTwoSided(true);
                    },
                    false, false, true},
        HandlesCase{"half_opaque_convex", [](Material& m) { m.setOpacity(0.5f); }, false, false, true},
        HandlesCase{"alpha_blend", [](Material& m) { m.setAlphaBlend(true); }, false, false},
        HandlesCase{"two_sided", [](Material& m) { m.setTwoSided(true); }, false, false},
        HandlesCase{"wireframe", [](Material& m) { m.setWireframe(true); }, false, false},
        HandlesCase{"stencil", [](Material& m) { m.setStencil(true); }, false, false},
        HandlesCase{"texture_matrix",
                    [](Material& m) { m.setTextureMatrix(true, Vector3(), Vector3(), Vector3(1, 1, 1)); }, false,
                    false},
        HandlesCase{"unlit_textured", [](Material& m) { m.setUnlitTextured(true); }, false, false},
        HandlesCase{"environment_program", [](Material& m) { m.setEnvironmentVertexProgram(true); }, false, false},
        HandlesCase{"literal_path", [](Material&) { ShadowShader::setLiteralPath(true); }, false, false}),
    [](const ::testing::TestParamInfo<HandlesCase>& info) { return std::string(info.param.name); });

struct SecondPassCase {
  const char* name;
  std::function<void(Material&)> setUp;
  bool empty;
};

class ShadowShaderSecondPassTest : public ::testing::TestWithParam<SecondPassCase> {
 protected:
  void TearDown() override { ShadowShader::setLiteralPath(false); }
};

// A first pass below full opacity writes no depth: the equal-depth second pass has nothing to draw.
TEST_P(ShadowShaderSecondPassTest, IsEmptyOnlyWhenTheFirstPassLeavesDepthAlone) {
  const SecondPassCase& c = GetParam();
  Material material(1, "m");
  c.setUp(material);
  EXPECT_EQ(ShadowShader::secondPassEmpty(material), c.empty);
}

INSTANTIATE_TEST_SUITE_P(Materials, ShadowShaderSecondPassTest,
                         ::testing::Values(SecondPassCase{"opaque", [](Material&) {}, false},
                                           SecondPassCase{"half_opaque", [](Material& m) { m.setOpacity(0.5f); }, true},
                                           SecondPassCase{"additive", [](Material& m) { m.setAdditive(true); }, false},
                                           SecondPassCase{"additive_half_opaque",
                                                          [](Material& m) {
                                                            m.setAdditive(true);
                                                            m.setOpacity(0.5f);
                                                          },
                                                          true},
                                           SecondPassCase{"half_opaque_stencil",
                                                          [](Material& m) {
                                                            m.setOpacity(0.5f);
                                                            m.setStencil(true);
                                                          },
                                                          false},
                                           SecondPassCase{"half_opaque_literal",
                                                          [](Material& m) {
                                                            m.setOpacity(0.5f);
                                                            ShadowShader::setLiteralPath(true);
                                                          },
                                                          false}),
                         [](const ::testing::TestParamInfo<SecondPassCase>& info) {
                           return std::string(info.param.name);
                         });

class ShadowShaderContextTest : public GLSuite<64, 64> {};

// Drawing a scene under a program of the caller's (an effect's vertex program) keeps that program.
TEST_F(ShadowShaderContextTest, StandsBackForTheCallersProgram) {
  const Material material(1, "m");
  ASSERT_TRUE(ShadowShader::available(material, ShadowShader::Receiver()));
  glEnable(GL_VERTEX_PROGRAM_ARB);
  EXPECT_FALSE(ShadowShader::available(material, ShadowShader::Receiver()));
  glDisable(GL_VERTEX_PROGRAM_ARB);
  const GLuint program = GlslProgram::build("void main() { gl_Position = ftransform(); }",
                                            "void main() { gl_FragColor = vec4(1.0); }", "test");
  ASSERT_NE(program, 0u);
  glUseProgram(program);
  EXPECT_FALSE(ShadowShader::available(material, ShadowShader::Receiver()));
  glUseProgram(0);
  glDeleteProgram(program);
  EXPECT_TRUE(ShadowShader::available(material, ShadowShader::Receiver()));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

constexpr int kWidth = 400;
constexpr int kHeight = 300;
// Pixels where two meshes meet at exactly the same depth: the literal second pass of the later
// mesh passes its equal-depth test there and blends over the earlier mesh, which one pass cannot
// repeat. A few such pixels per picture are allowed; everything else agrees within rounding.
constexpr size_t kSeamPixels = 12;  // 0.01 % of the picture

struct SceneCase {
  const char* scene;
  bool copied;     // the shadow map copied from the frame buffer instead of the depth pixel buffer
  GLenum fog = 0;  // fog mode (0: none), with a range and density that fog part of the picture
};

class ShadowShaderPictureTest : public GLSuite<kWidth, kHeight>, public ::testing::WithParamInterface<SceneCase> {
 protected:
  static void SetUpTestSuite() {
    GLSuite::SetUpTestSuite();
    ASSERT_EQ(chdir(RK17_BINARY_DIR "/generated"), 0);
  }
  void TearDown() override {
    ShadowShader::setLiteralPath(false);
    PBuffer::setRenderDepthTextureMissing(false);
  }

  std::vector<uint8_t> render(Scene& scene, float time) {
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    scene.setTime(time);
    scene.animate();
    scene.render();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
};

TEST_P(ShadowShaderPictureTest, OnePassDrawsTheTwoPassPicture) {
  const SceneCase& c = GetParam();
  PBuffer::setRenderDepthTextureMissing(c.copied);
  std::unique_ptr<Scene> scene =
      SceneLoaderVDG().read(std::string("data/scenes/") + c.scene + ".vdg", "data/textures/");
  ASSERT_TRUE(scene && scene->root()) << c.scene;
  ASSERT_EQ(scene->offScreenShadows(), !c.copied);
  for (const auto& object : scene->objects())
    if (auto* mesh = dynamic_cast<MeshObject*>(object.get())) MorphDataReader::loadMorphData(*mesh);
  scene->reapplyLights();
  if (c.fog) {
    scene->setFogEnabled(true);
    scene->setFogMode(c.fog);
    scene->setFogRange(300.0f, 1500.0f);
    scene->setFogDensity(0.0015f);
    scene->setFogColor(Color4{0.35f, 0.3f, 0.45f, 1.0f});
  }
  LightObject* spot = scene->findLight("Spot01");
  ASSERT_NE(spot, nullptr);
  spot->setCastsShadow(true);
  scene->enableShadows(true);
  ASSERT_TRUE(scene->shadowsEnabled());

  // The comparison means something only when receivers take the program.
  ShadowShader::Receiver receiver;
  receiver.leftOut = spot->glIndex();
  receiver.fog = c.fog;
  int handled = 0;
  for (const auto& entry : scene->materials())
    if (ShadowShader::handles(*entry.second, receiver)) {
      EXPECT_TRUE(ShadowShader::available(*entry.second, receiver)) << entry.second->name();
      ++handled;
    }
  EXPECT_GT(handled, 0);

  const float length = float(scene->frameCount() * scene->step());
  for (float at : {0.1f, 0.45f, 0.8f}) {
    ShadowShader::setLiteralPath(true);
    const std::vector<uint8_t> literal = render(*scene, length * at);
    ShadowShader::setLiteralPath(false);
    const std::vector<uint8_t> onePass = render(*scene, length * at);
    size_t off = 0, lit = 0;
    for (size_t i = 0; i < literal.size(); i += 4) {
      int worst = 0;
      for (size_t k = 0; k < 4; ++k) worst = std::max(worst, std::abs(int(literal[i + k]) - int(onePass[i + k])));
      if (worst > 1) ++off;
      if (literal[i] > 8 || literal[i + 1] > 8 || literal[i + 2] > 8) ++lit;
    }
    EXPECT_LE(off, kSeamPixels) << "at " << at;
    EXPECT_GT(lit, literal.size() / 4 / 100) << "nothing drawn at " << at;
    if (!c.fog) continue;
    // The fog must reach the picture for the comparison to cover it.
    scene->setFogEnabled(false);
    const std::vector<uint8_t> clear = render(*scene, length * at);
    scene->setFogEnabled(true);
    size_t fogged = 0;
    for (size_t i = 0; i < clear.size(); i += 4)
      if (std::abs(int(clear[i]) - int(onePass[i])) + std::abs(int(clear[i + 2]) - int(onePass[i + 2])) > 8) ++fogged;
    EXPECT_GT(fogged, clear.size() / 4 / 20) << "fog hardly shows at " << at;
  }
}

INSTANTIATE_TEST_SUITE_P(GeneratedScenes, ShadowShaderPictureTest,
                         ::testing::Values(SceneCase{"scene2", false}, SceneCase{"scene3", false},
                                           SceneCase{"scene3", true}, SceneCase{"scene4", false},
                                           SceneCase{"head", false}, SceneCase{"tentacle", false},
                                           SceneCase{"flower", false}, SceneCase{"scene2", false, GL_LINEAR},
                                           SceneCase{"scene3", false, GL_EXP}, SceneCase{"scene4", false, GL_EXP2},
                                           SceneCase{"scene3", true, GL_LINEAR}),
                         [](const ::testing::TestParamInfo<SceneCase>& info) {
                           const char* fog = info.param.fog == GL_LINEAR ? "LinearFog"
                                             : info.param.fog == GL_EXP  ? "ExpFog"
                                             : info.param.fog == GL_EXP2 ? "Exp2Fog"
                                                                         : "";
                           return std::string(info.param.scene) + (info.param.copied ? "Copied" : "") + fog;
                         });

// Additive receivers take one pass only on convex meshes (the hall's cables, the garden's orbs and
// the tunnel's lamp); the tunnel's rings (tori) keep two.
class ShadowShaderSingleLayerTest : public GLSuite<64, 64> {
 protected:
  static void SetUpTestSuite() {
    GLSuite::SetUpTestSuite();
    ASSERT_EQ(chdir(RK17_BINARY_DIR "/generated"), 0);
  }
};

TEST_F(ShadowShaderSingleLayerTest, ConvexAdditiveMeshesOnly) {
  const struct {
    const char* scene;
    const char* mesh;
    bool singleLayer;
  } cases[] = {{"scene3", "cable01", true}, {"scene2", "orb01", true}, {"scene4", "lamp", true},
               {"scene4", "ring1", false},  {"scene3", "hall", false}, {"scene2", "monolith01", false}};
  for (const auto& c : cases) {
    std::unique_ptr<Scene> scene =
        SceneLoaderVDG().read(std::string("data/scenes/") + c.scene + ".vdg", "data/textures/");
    ASSERT_TRUE(scene && scene->root()) << c.scene;
    const auto* mesh = dynamic_cast<const MeshObject*>(scene->findObject(c.mesh));
    ASSERT_NE(mesh, nullptr) << c.mesh;
    EXPECT_EQ(mesh->isSingleLayer(), c.singleLayer) << c.mesh;
  }
}

// Morphing changes the shape: a morphing mesh is never taken as convex.
TEST_F(ShadowShaderSingleLayerTest, NotForMorphingMeshes) {
  std::unique_ptr<Scene> scene = SceneLoaderVDG().read("data/scenes/scene3.vdg", "data/textures/");
  ASSERT_TRUE(scene && scene->root());
  auto* mesh = dynamic_cast<MeshObject*>(scene->findObject("cable01"));
  ASSERT_NE(mesh, nullptr);
  ASSERT_TRUE(mesh->isSingleLayer());
  const size_t values = size_t(mesh->sourceVertexCount()) * 3 * 2;
  mesh->setMorphData(2, std::vector<float>(values, 0.0f), std::vector<float>(values, 0.0f));
  EXPECT_FALSE(mesh->isSingleLayer());
}

}  // namespace
