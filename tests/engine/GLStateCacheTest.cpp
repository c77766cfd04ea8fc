// The state-cached material path against the literal one (a pushed attribute block around every
// recipe): the same GL state left behind after hand-made recipe sequences, and, together with
// drawing opaque objects nearest first against the chain order, the same pictures and state on
// the generated scenes (build/generated/data), shadows off and on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GLStateCache.h"
#include "GLSuite.h"
#include "LightObject.h"
#include "Material.h"
#include "MeshObject.h"
#include "MorphDataReader.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// Everything a recipe may touch or that a leak would show in, as numbers.
std::vector<float> stateSnapshot() {
  std::vector<float> out;
  const auto flag = [&](GLenum cap) { out.push_back(glIsEnabled(cap) ? 1.0f : 0.0f); };
  const auto ints = [&](GLenum name, int count) {
    GLint v[4] = {0, 0, 0, 0};
    glGetIntegerv(name, v);
    out.insert(out.end(), v, v + count);
  };
  const auto material = [&](GLenum face, GLenum name, int count) {
    float v[4] = {0, 0, 0, 0};
    glGetMaterialfv(face, name, v);
    out.insert(out.end(), v, v + count);
  };
  for (GLenum cap : {GL_LIGHTING, GL_STENCIL_TEST, GL_ALPHA_TEST, GL_BLEND, GL_CULL_FACE, GL_VERTEX_PROGRAM_ARB,
                     GL_DEPTH_TEST, GL_FOG, GL_LIGHT0, GL_LIGHT1})
    flag(cap);
  material(GL_FRONT, GL_AMBIENT, 4);
  material(GL_FRONT, GL_DIFFUSE, 4);
  material(GL_BACK, GL_DIFFUSE, 4);
  material(GL_FRONT, GL_SPECULAR, 4);
  material(GL_FRONT, GL_SHININESS, 1);
  for (GLenum name :
       {GL_LIGHT_MODEL_COLOR_CONTROL, GL_LIGHT_MODEL_TWO_SIDE, GL_BLEND_SRC_RGB, GL_BLEND_DST_RGB, GL_BLEND_SRC_ALPHA,
        GL_BLEND_DST_ALPHA, GL_ALPHA_TEST_FUNC, GL_STENCIL_FUNC, GL_STENCIL_REF, GL_STENCIL_FAIL,
        GL_STENCIL_PASS_DEPTH_FAIL, GL_STENCIL_PASS_DEPTH_PASS, GL_DEPTH_WRITEMASK, GL_DEPTH_FUNC, GL_ACTIVE_TEXTURE})
    ints(name, 1);
  ints(GL_POLYGON_MODE, 2);
  float reference = 0.0f;
  glGetFloatv(GL_ALPHA_TEST_REF, &reference);
  out.push_back(reference);
  GLint active = GL_TEXTURE0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  for (int unit = 0; unit < GLStateCache::kUnits; ++unit) {
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    for (GLenum cap : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_Q})
      flag(cap);
    for (GLenum name : {GL_TEXTURE_ENV_MODE, GL_SOURCE0_RGB, GL_COMBINE_RGB, GL_SOURCE1_RGB}) {
      GLint v = 0;
      glGetTexEnviv(GL_TEXTURE_ENV, name, &v);
      out.push_back(float(v));
    }
    for (GLenum name : {GL_TEXTURE_BINDING_1D, GL_TEXTURE_BINDING_2D, GL_TEXTURE_BINDING_CUBE_MAP}) ints(name, 1);
  }
  glActiveTexture(GLenum(active));
  return out;
}

// Texture names the recipes bind, made by each test: fixed numbers could name textures that
// other suites of the process made for other targets (the test contexts share their objects).
GLuint gRecipeTextures[5] = {0, 0, 0, 0, 0};

using Recipe = std::function<void(GLStateCache&)>;

struct SequenceCase {
  const char* name;
  std::vector<Recipe> recipes;  // applied one after the other, each restored before the next
};

// Each recipe inside a pushed block (pass-through), or all through the cache with the restores
// of all but the last one deferred; the state after each recipe and after the end is recorded.
std::vector<std::vector<float>> runSequence(const std::vector<Recipe>& recipes, bool literal) {
  GLStateCache cache;
  cache.setPassThrough(literal);
  std::vector<std::vector<float>> states;
  for (const Recipe& recipe : recipes) {
    if (literal) glPushAttrib(0xFFFFF);
    cache.beginApply();
    recipe(cache);
    cache.finishApply();
    states.push_back(stateSnapshot());
    if (literal) glPopAttrib();
  }
  cache.revertAll();
  states.push_back(stateSnapshot());
  EXPECT_FALSE(cache.hasChanges());
  return states;
}

class GLStateCacheTest : public GLSuite<kWidth, kHeight>, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(GLStateCacheTest, LeavesTheStateOfPushedBlocks) {
  // A state outside the recipes that is not GL's default, so that putting back must read it.
  GLuint textures[3] = {0, 0, 0};
  glGenTextures(3, textures);
  glGenTextures(5, gRecipeTextures);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, textures[2]);
  glEnable(GL_TEXTURE_2D);
  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_LIGHTING);
  glDepthFunc(GL_LEQUAL);
  const float grey[4] = {0.3f, 0.3f, 0.3f, 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, grey);
  glBlendFunc(GL_ONE, GL_ZERO);
  const std::vector<float> before = stateSnapshot();

  const std::vector<std::vector<float>> literal = runSequence(GetParam().recipes, true);
  ASSERT_EQ(stateSnapshot(), before);
  const std::vector<std::vector<float>> cached = runSequence(GetParam().recipes, false);
  ASSERT_EQ(literal.size(), cached.size());
  for (size_t i = 0; i < literal.size(); ++i) EXPECT_EQ(cached[i], literal[i]) << "after recipe " << i;
  EXPECT_EQ(cached.back(), before);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteTextures(3, textures);
  glDeleteTextures(5, gRecipeTextures);
}

const float kRed[4] = {1.0f, 0.0f, 0.0f, 0.5f};
const float kBlue[4] = {0.0f, 0.0f, 1.0f, 1.0f};

const Recipe kTextured = [](GLStateCache& s) {
  s.activeTexture(GL_TEXTURE0);
  s.enable(GL_TEXTURE_2D);
  s.bindTexture(GL_TEXTURE_2D, gRecipeTextures[0]);
  s.activeTexture(GL_TEXTURE1);
  s.texEnv(GL_TEXTURE_ENV_MODE, GL_COMBINE);
  s.texEnv(GL_COMBINE_RGB, GL_ADD_SIGNED);
  s.enable(GL_TEXTURE_2D);
  s.bindTexture(GL_TEXTURE_2D, gRecipeTextures[1]);
  s.lightModel(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
};
const Recipe kBlended = [](GLStateCache& s) {
  s.material(GL_FRONT_AND_BACK, GL_DIFFUSE, kRed);
  s.depthMask(false);
  s.enable(GL_BLEND);
  s.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  s.disable(GL_LIGHTING);
};
const Recipe kShadowUnitOff = [](GLStateCache& s) {
  s.activeTexture(GL_TEXTURE2);
  s.disable(GL_TEXTURE_2D);
  s.bindTexture(GL_TEXTURE_2D, gRecipeTextures[2]);
  s.activeTexture(GL_TEXTURE1);
  s.enable(GL_TEXTURE_CUBE_MAP);
  s.bindTexture(GL_TEXTURE_CUBE_MAP, gRecipeTextures[3]);
  s.texEnv(GL_SOURCE0_RGB, GL_TEXTURE);
  s.texEnv(GL_SOURCE1_RGB, GL_PREVIOUS);
};
const Recipe kEverythingElse = [](GLStateCache& s) {
  s.material(GL_FRONT, GL_AMBIENT, kBlue);
  s.material(GL_FRONT, GL_SPECULAR, kRed);
  s.material(GL_FRONT, GL_SHININESS, 20.0f);
  s.enable(GL_STENCIL_TEST);
  s.stencilFunc(GL_NOTEQUAL, 1, 1);
  s.stencilOp(GL_KEEP, GL_INCR, GL_REPLACE);
  s.enable(GL_ALPHA_TEST);
  s.alphaFunc(GL_GREATER, 0.25f);
  s.disable(GL_CULL_FACE);
  s.lightModel(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  s.frontPolygonMode(GL_LINE);
  s.activeTexture(GL_TEXTURE0);
  s.disable(GL_TEXTURE_2D);
  s.enable(GL_TEXTURE_1D);
  s.bindTexture(GL_TEXTURE_1D, gRecipeTextures[4]);
};
const Recipe kNothing = [](GLStateCache&) {};

INSTANTIATE_TEST_SUITE_P(Sequences, GLStateCacheTest,
                         ::testing::Values(SequenceCase{"one", {kTextured}},
                                           SequenceCase{"again", {kTextured, kTextured}},
                                           SequenceCase{"differ", {kTextured, kBlended, kTextured}},
                                           SequenceCase{"shadowUnit", {kShadowUnitOff, kTextured, kShadowUnitOff}},
                                           SequenceCase{"all", {kEverythingElse, kBlended, kEverythingElse, kNothing}},
                                           SequenceCase{"then nothing", {kEverythingElse, kNothing}}),
                         [](const ::testing::TestParamInfo<SequenceCase>& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

struct SceneCase {
  const char* scene;
  bool shadows;
};

// The generated scenes drawn the literal way (pushed blocks, chain order) and the fast way (state
// cache, nearest first) at three times each.
class MaterialPathTest : public GLSuite<kWidth, kHeight>, public ::testing::WithParamInterface<SceneCase> {
 protected:
  static void SetUpTestSuite() {
    GLSuite::SetUpTestSuite();
    ASSERT_EQ(chdir(RK17_BINARY_DIR "/generated"), 0);
  }
  static void TearDownTestSuite() {
    Material::setLiteralPath(false);
    Scene::setNearestFirst(true);
    GLSuite::TearDownTestSuite();
  }

  std::vector<uint8_t> render(Scene& scene, float time) {
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    scene.setTime(time);
    scene.animate();
    scene.render();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
};

TEST_P(MaterialPathTest, CachedStateDrawsTheLiteralPicture) {
  const SceneCase& c = GetParam();
  Scene* scene = SceneLoaderVDG::load(std::string("data/scenes/") + c.scene + ".vdg", "data/textures/");  // cached
  ASSERT_TRUE(scene && scene->root()) << c.scene;
  for (const auto& object : scene->objects())
    if (auto* mesh = dynamic_cast<MeshObject*>(object.get())) MorphDataReader::loadMorphData(*mesh);
  scene->reapplyLights();
  if (c.shadows) {
    LightObject* spot = scene->findLight("Spot01");
    ASSERT_NE(spot, nullptr);
    spot->setCastsShadow(true);
    scene->enableShadows(true);
    ASSERT_TRUE(scene->shadowsEnabled());
  }
  const float length = float(scene->frameCount() * scene->step());
  for (float at : {0.1f, 0.45f, 0.8f}) {
    Material::setLiteralPath(true);
    Scene::setNearestFirst(false);
    const std::vector<uint8_t> literal = render(*scene, length * at);
    const std::vector<float> literalState = stateSnapshot();
    Material::setLiteralPath(false);
    Scene::setNearestFirst(true);
    const std::vector<uint8_t> cached = render(*scene, length * at);
    EXPECT_EQ(stateSnapshot(), literalState) << "at " << at;
    GLint pushed = -1;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &pushed);
    EXPECT_EQ(pushed, 0);
    int worst = 0;
    size_t lit = 0;
    for (size_t i = 0; i < literal.size(); ++i) {
      worst = std::max(worst, std::abs(int(literal[i]) - int(cached[i])));
      if (i % 4 != 3 && literal[i] > 8) ++lit;
    }
    EXPECT_LE(worst, 1) << "at " << at;
    EXPECT_GT(lit, literal.size() / 100) << "nothing drawn at " << at;  // the comparison must see a picture
  }
}

INSTANTIATE_TEST_SUITE_P(GeneratedScenes, MaterialPathTest,
                         ::testing::Values(SceneCase{"flower", false}, SceneCase{"flower", true},
                                           SceneCase{"head", true}, SceneCase{"mechparts", true},
                                           SceneCase{"oscbox", false}, SceneCase{"scene1", false},
                                           SceneCase{"scene2", false}, SceneCase{"scene2", true},
                                           SceneCase{"scene3", true}, SceneCase{"tentacle", true}),
                         [](const ::testing::TestParamInfo<SceneCase>& info) {
                           return std::string(info.param.scene) + (info.param.shadows ? "Shadows" : "");
                         });

}  // namespace
