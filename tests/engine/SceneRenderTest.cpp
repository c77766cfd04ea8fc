// Scene rendering checked by pixels: lit colours from the lighting formula, one colour per shade
// model recipe, fog per mode, shadows (both shadow map paths), transparent objects after opaque
// ones, a morphing mesh at several times, and bad input that must leave no GL error behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "GLSuite.h"
#include "Material.h"
#include "Matrix4.h"
#include "MeshObject.h"
#include "PBuffer.h"
#include "ReportCapture.h"
#include "Scene.h"
#include "Switches.h"
#include "Texture.h"

namespace {

constexpr int kSize = 512;

struct Rgb {
  int r, g, b;
};

int channel(float value) { return int(std::lround(std::min(1.0f, std::max(0.0f, value)) * 255.0f)); }
Rgb rgb(float r, float g, float b) { return {channel(r), channel(g), channel(b)}; }

// Screen column of world x at depth 8.
int column8(float x) { return int(256.0f + x / (8.0f * std::tan(0.3926991f)) * 256.0f); }

// A quad of side 2 * half in the z plane, facing +z, with two coordinate layers. A closed one
// also has the reversed triangles (the shadow map keeps back faces only).
std::unique_ptr<MeshObject> makeQuad(int32_t id, const std::string& name, int32_t materialId, float x, float y, float z,
                                     float half, bool closed = false) {
  auto mesh = std::make_unique<MeshObject>(id, name);
  std::vector<MeshObject::Vertex> vertices(4);
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  std::vector<MeshObject::TexCoord> uv(4);
  for (int i = 0; i < 4; ++i) {
    vertices[size_t(i)].position = Vector3(corners[i][0] * half, corners[i][1] * half, 0.0f);
    uv[size_t(i)].u = (corners[i][0] + 1.0f) * 0.5f;
    uv[size_t(i)].v = (corners[i][1] + 1.0f) * 0.5f;
  }
  mesh->setVertices(vertices);
  mesh->setNormals(std::vector<Vector3>(4, Vector3(0.0f, 0.0f, 1.0f)));
  mesh->setLayer0(uv);
  mesh->setLayer1(uv);
  if (closed)
    mesh->setFaces({{0, 1, 2}, {0, 2, 3}, {0, 2, 1}, {0, 3, 2}});
  else
    mesh->setFaces({{0, 1, 2}, {0, 2, 3}});
  mesh->setMaterialId(materialId);
  mesh->setPosition(Vector3(x, y, z));
  return mesh;
}

std::unique_ptr<Material> makeMaterial(int32_t id, const Color4& diffuse) {
  auto material = std::make_unique<Material>(id, "m" + std::to_string(id));
  material->setAmbient(Color4(0.0f, 0.0f, 0.0f));
  material->setDiffuse(diffuse);
  return material;
}

// A white light with no ambient, far along +z (so N.L is 1 on quads facing the camera).
std::unique_ptr<LightObject> makeLight(int32_t id, const std::string& name, const Vector3& position) {
  auto light = std::make_unique<LightObject>(id, name);
  light->setAmbient(Color4(0.0f, 0.0f, 0.0f));
  light->setDiffuse(Color4(1.0f, 1.0f, 1.0f));
  light->setBaseDiffuse(Color4(1.0f, 1.0f, 1.0f));
  light->setSpecular(Color4(0.0f, 0.0f, 0.0f));
  light->setPosition(position);
  return light;
}

// A camera without target: it looks down -z from the origin.
std::unique_ptr<CameraObject> makeCamera() {
  auto camera = std::make_unique<CameraObject>(100, "Camera01");
  camera->setAspect(1.0f);
  return camera;
}

class SceneRenderTest : public GLSuite<kSize, kSize> {
 protected:
  static void SetUpTestSuite() {
    GLSuite::SetUpTestSuite();
    // The environment vertex program is data: it is read from the source tree.
    ASSERT_EQ(chdir(RK17_SOURCE_DIR), 0);
  }

  // A mipmap-free 8 x 8 texture of one colour (0..255 channels).
  Texture* solid(int r, int g, int b) {
    auto texture = std::make_unique<Texture>(GL_TEXTURE_2D, GL_RGBA);
    texture->createEmpty2D(8, 8);
    std::vector<uint8_t> texels(8 * 8 * 4);
    for (size_t i = 0; i < texels.size(); i += 4) {
      texels[i] = uint8_t(r);
      texels[i + 1] = uint8_t(g);
      texels[i + 2] = uint8_t(b);
      texels[i + 3] = 255;
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 8, 8, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    _textures.push_back(std::move(texture));
    return _textures.back().get();
  }

  Texture* solidCube(int r, int g, int b) {
    auto texture = std::make_unique<Texture>(GL_TEXTURE_CUBE_MAP, GL_RGBA);
    texture->createCubeMap(8);
    std::vector<uint8_t> texels(8 * 8 * 4);
    for (size_t i = 0; i < texels.size(); i += 4) {
      texels[i] = uint8_t(r);
      texels[i + 1] = uint8_t(g);
      texels[i + 2] = uint8_t(b);
      texels[i + 3] = 255;
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture->getTextureId());
    for (int face = 0; face < 6; ++face)
      glTexSubImage2D(GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face), 0, 0, 0, 8, 8, GL_RGBA, GL_UNSIGNED_BYTE,
                      texels.data());
    _textures.push_back(std::move(texture));
    return _textures.back().get();
  }

  // A texture object without a GL name binds GL's default object of its target; the ramp
  // models bind it as GL_TEXTURE_1D, so the default 1D texture gets the ramp colour.
  Texture* ramp(int r, int g, int b) {
    const uint8_t texels[8] = {uint8_t(r), uint8_t(g), uint8_t(b), 255, uint8_t(r), uint8_t(g), uint8_t(b), 255};
    glActiveTexture(GL_TEXTURE0);  // every unit has its own default texture
    glBindTexture(GL_TEXTURE_1D, 0);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    _textures.push_back(std::make_unique<Texture>(GL_TEXTURE_1D, GL_RGBA));
    return _textures.back().get();
  }

  // Clears, renders and reports whether GL is left without error.
  void render(Scene& scene) {
    glViewport(0, 0, kSize, kSize);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    scene.render();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }

  static void expectPixel(int x, int y, const Rgb& want, int tolerance = 3) {
    const uint32_t got = gContext->readPixel(x, y);
    EXPECT_NEAR(redOf(got), want.r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(greenOf(got), want.g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(blueOf(got), want.b, tolerance) << "at " << x << "," << y;
  }

  std::vector<std::unique_ptr<Texture>> _textures;
};

TEST_F(SceneRenderTest, LitQuadTakesMaterialTimesLight) {
  Scene scene;
  auto material = std::make_unique<Material>(1, "lit");
  material->setAmbient(Color4(0.2f, 0.4f, 0.6f));
  material->setDiffuse(Color4(0.5f, 0.25f, 0.1f));
  material->chooseShadeModel();
  scene.addMaterial(std::move(material));
  scene.addObject(makeQuad(1, "quad", 1, 0, 0, -5, 2), -1);
  scene.addCamera(makeCamera(), -1);
  auto light = makeLight(2, "Omni01", Vector3(0, 0, 1000));
  light->setAmbient(Color4(0.5f, 0.5f, 0.5f));
  scene.addLight(std::move(light), -1);
  scene.finish();
  render(scene);
  // light ambient x material ambient + light diffuse x material diffuse x N.L (1).
  expectPixel(kSize / 2, kSize / 2, rgb(0.5f * 0.2f + 0.5f, 0.5f * 0.4f + 0.25f, 0.5f * 0.6f + 0.1f));
  expectPixel(5, 5, {0, 0, 0});
}

// Maps: b base (255,128,64), s second (128,255,128), r reflection (64,64,191), u bump (flat
// normal), c cube map (51,204,51), p 1D ramp (230,26,128), t render target cleared to
// (51,102,255). The material's diffuse is (0.8, 0.6, 0.4) under a white light with N.L = 1.
struct ModelCase {
  const char* name;
  const char* maps;
  int32_t model;  // -1: the chosen one
  bool extraLightPass;
  Rgb want;
};

class ShadeModelPixelTest : public SceneRenderTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ShadeModelPixelTest, CentrePixelFollowsTheRecipe) {
  const ModelCase& c = GetParam();
  PBuffer target;
  Scene scene;
  auto material = makeMaterial(1, Color4(0.8f, 0.6f, 0.4f));
  for (const char* map = c.maps; *map; ++map) {
    switch (*map) {
      case 'b':
        material->setBaseMap(solid(255, 128, 64));
        break;
      case 's':
        material->setSecondMap(solid(128, 255, 128));
        break;
      case 'r':
        material->setReflectionMap(solid(64, 64, 191));
        break;
      case 'u':
        material->setBumpMap(solid(128, 128, 255));
        break;
      case 'c':
        material->setCubeMap(solidCube(51, 204, 51));
        break;
      case 'p':
        material->setRampTexture(ramp(230, 26, 128));
        break;
      case 't':
        target.initialize(64, 64, false);
        target.createTexture(GL_CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR);
        target.enable();
        glClearColor(0.2f, 0.4f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        target.disable();
        material->setRenderTarget(&target);
        break;
    }
  }
  material->chooseShadeModel();
  if (c.model >= 0) material->setShadeModel(c.model);
  material->setExtraLightPass(c.extraLightPass);
  scene.addMaterial(std::move(material));
  scene.addObject(makeQuad(1, "quad", 1, 0, 0, -5, 2), -1);
  scene.addCamera(makeCamera(), -1);
  scene.addLight(makeLight(2, "Omni01", Vector3(0, 0, 1000)), -1);
  scene.finish();
  render(scene);
  expectPixel(kSize / 2, kSize / 2, c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ShadeModelPixelTest,
    ::testing::Values(
        // Lighting alone: the diffuse colour.
        ModelCase{"M0Lit", "", -1, false, rgb(0.8f, 0.6f, 0.4f)},
        // Lit, modulating the base map.
        ModelCase{"M1Base", "b", -1, false, rgb(0.8f, 0.6f * 128 / 255, 0.4f * 64 / 255)},
        // Lit, modulating the reflection map on unit 0.
        ModelCase{"M2Reflection", "r", -1, false, rgb(0.8f * 64 / 255, 0.6f * 64 / 255, 0.4f * 191 / 255)},
        ModelCase{"M3SameRecipeAs2", "r", 3, false, rgb(0.8f * 64 / 255, 0.6f * 64 / 255, 0.4f * 191 / 255)},
        // Unlit: base plus reflection.
        ModelCase{"M4BaseAddReflection", "br", -1, false, rgb(1.0f, (128 + 64) / 255.0f, 1.0f)},
        // Unlit: base times second map.
        ModelCase{"M5BaseTimesSecond", "bs", -1, false, rgb(128 / 255.0f, 128 / 255.0f, 64 * 128 / 65025.0f)},
        // Extra light pass: (second + base - 0.5) on unit 1, times second on unit 2.
        ModelCase{"M5ExtraLightPass", "bs", -1, true,
                  rgb(std::min(1.0f, (128 + 255) / 255.0f - 0.5f) * 128 / 255,
                      std::min(1.0f, (255 + 128) / 255.0f - 0.5f), ((128 + 64) / 255.0f - 0.5f) * 128 / 255)},
        // Unlit: the second map alone.
        ModelCase{"M6Second", "s", -1, false, {128, 255, 128}},
        // DOT3 of a flat bump map with the light along the normal: white.
        ModelCase{"M7Bump", "bu", 7, false, {255, 255, 255}},
        // DOT3 (white) times the reflection map on unit 2.
        ModelCase{"M8BumpReflection", "ru", -1, false, {64, 64, 191}},
        // Models 9 to 12 set no material colours: GL's default material (diffuse 0.8) lights them.
        // Lit, times the ramp.
        ModelCase{"M9Ramp", "bp", 9, false, rgb(0.8f * 230 / 255, 0.8f * 26 / 255, 0.8f * 128 / 255)},
        // Lit ramp, then base added signed.
        ModelCase{"M10RampBase", "bp", 10, false,
                  rgb(0.8f * 230 / 255 + 1.0f - 0.5f, 0.8f * 26 / 255 + 128 / 255.0f - 0.5f,
                      0.8f * 128 / 255 + 64 / 255.0f - 0.5f)},
        // Lit, times the cube map.
        ModelCase{"M11Cube", "c", 11, false, rgb(0.8f * 0.2f, 0.8f * 0.8f, 0.8f * 0.2f)},
        // Lit cube map plus the reflection map.
        ModelCase{"M12CubeReflection", "cr", 12, false,
                  rgb(0.8f * 0.2f + 64 / 255.0f, 0.8f * 0.8f + 64 / 255.0f, 0.8f * 0.2f + 191 / 255.0f)},
        // Lit, times the render target's picture.
        ModelCase{"M13RenderTarget", "bt", 13, false, rgb(0.8f * 0.2f, 0.6f * 0.4f, 0.4f)},
        // A model whose map is missing sets nothing: GL's default material, untextured.
        ModelCase{"M7WithoutBumpMap", "", 7, false, rgb(0.8f, 0.8f, 0.8f)}),
    [](const ::testing::TestParamInfo<ModelCase>& info) { return std::string(info.param.name); });

struct FogCase {
  const char* name;
  GLenum mode;
  float density, start, end;
  float factor;  // expected fog factor at eye distance 5
};

class FogPixelTest : public SceneRenderTest, public ::testing::WithParamInterface<FogCase> {};

TEST_P(FogPixelTest, BlendsTowardsFogColourByDistance) {
  const FogCase& c = GetParam();
  Scene scene;
  auto material = makeMaterial(1, Color4(1.0f, 1.0f, 1.0f));
  material->chooseShadeModel();
  scene.addMaterial(std::move(material));
  scene.addObject(makeQuad(1, "quad", 1, 0, 0, -5, 2), -1);
  scene.addCamera(makeCamera(), -1);
  scene.addLight(makeLight(2, "Omni01", Vector3(0, 0, 1000)), -1);
  scene.finish();
  scene.setFogEnabled(true);
  scene.setFogColor(Color4(0.0f, 0.0f, 1.0f));
  scene.setFogMode(c.mode);
  scene.setFogDensity(c.density);
  scene.setFogRange(c.start, c.end);
  render(scene);
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  // f x white + (1 - f) x blue.
  expectPixel(kSize / 2, kSize / 2, rgb(c.factor, c.factor, 1.0f));
}

INSTANTIATE_TEST_SUITE_P(Modes, FogPixelTest,
                         ::testing::Values(FogCase{"Linear", GL_LINEAR, 1.0f, 0.0f, 20.0f, 15.0f / 20.0f},
                                           FogCase{"Exp", GL_EXP, 0.1f, 0.0f, 1.0f, std::exp(-0.5f)},
                                           FogCase{"Exp2", GL_EXP2, 0.1f, 0.0f, 1.0f, std::exp(-0.25f)}),
                         [](const ::testing::TestParamInfo<FogCase>& info) { return std::string(info.param.name); });

// A caster quad in front of a receiver, the shadow light off to the right: the shadow falls on
// the receiver left of the caster. The second pass blends half of the same lighting over the
// first, so lit areas keep their colour and shadowed ones get half of it.
class ShadowTest : public SceneRenderTest, public ::testing::WithParamInterface<bool> {
 protected:
  void TearDown() override { PBuffer::setRenderDepthTextureMissing(false); }
};

TEST_P(ShadowTest, ShadowFallsOnReceiverNotOnCaster) {
  PBuffer::setRenderDepthTextureMissing(GetParam());
  Scene scene;
  EXPECT_EQ(scene.offScreenShadows(), !GetParam());
  scene.addMaterial(makeMaterial(1, Color4(0.8f, 0.8f, 0.8f)));
  scene.findMaterial(1)->chooseShadeModel();
  scene.addObject(makeQuad(1, "receiver", 1, 0, 0, -10, 6), -1);
  scene.addObject(makeQuad(2, "caster", 1, 0, 0, -6, 1, true), -1);
  scene.addCamera(makeCamera(), -1);
  auto target = std::make_unique<SceneObject>(3, "target");
  target->setPosition(Vector3(0, 0, -10));
  scene.addObject(std::move(target), -1);
  auto light = makeLight(4, "Light01", Vector3(3, 0, 0));
  light->setTargetId(3);
  light->setCastsShadow(true);
  scene.addLight(std::move(light), -1);
  scene.finish();

  render(scene);
  const uint32_t unshadowedLeft = gContext->readPixel(100, 256);
  const uint32_t unshadowedRight = gContext->readPixel(412, 256);
  const uint32_t unshadowedCaster = gContext->readPixel(256, 256);
  ASSERT_GT(redOf(unshadowedLeft), 60);

  scene.enableShadows(true);
  render(scene);
  // World x = -2.5 on the receiver lies in the caster's shadow; x = +2.5 does not.
  EXPECT_NEAR(redOf(gContext->readPixel(100, 256)), redOf(unshadowedLeft) / 2, 4);
  EXPECT_NEAR(redOf(gContext->readPixel(412, 256)), redOf(unshadowedRight), 4);
  EXPECT_NEAR(redOf(gContext->readPixel(256, 256)), redOf(unshadowedCaster), 4);

  scene.enableShadows(false);
  render(scene);
  EXPECT_NEAR(redOf(gContext->readPixel(100, 256)), redOf(unshadowedLeft), 2);
}

INSTANTIATE_TEST_SUITE_P(Paths, ShadowTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "CopiedFromFrameBuffer" : "DepthPixelBuffer");
                         });

TEST_F(SceneRenderTest, TransparentObjectIsDrawnAfterOpaqueOne) {
  Scene scene;
  auto red = makeMaterial(1, Color4(1.0f, 0.0f, 0.0f));
  red->setOpacity(0.5f);
  red->chooseShadeModel();
  auto green = makeMaterial(2, Color4(0.0f, 1.0f, 0.0f));
  green->chooseShadeModel();
  scene.addMaterial(std::move(red));
  scene.addMaterial(std::move(green));
  // The transparent quad is nearer and comes first in the file.
  scene.addObject(makeQuad(1, "glass", 1, 0, 0, -5, 1), -1);
  scene.addObject(makeQuad(2, "wall", 2, 0, 0, -8, 4), -1);
  scene.addCamera(makeCamera(), -1);
  scene.addLight(makeLight(3, "Omni01", Vector3(0, 0, 1000)), -1);
  scene.finish();
  EXPECT_EQ(scene.root()->name(), "wall");
  render(scene);
  expectPixel(kSize / 2, kSize / 2, {128, 128, 0});
  expectPixel(kSize / 2 + 180, kSize / 2, {0, 255, 0});
}

// Meshes of one material in a row share one apply while the scene draws; the picture must be the
// one that applying and restoring around every mesh gives, and no attribute push may be left.
TEST_F(SceneRenderTest, DeferredRestoresGiveTheImmediatePicture) {
  Scene scene;
  auto base = makeMaterial(1, Color4(0.8f, 0.6f, 0.4f));
  base->setBaseMap(solid(255, 128, 64));
  base->chooseShadeModel();
  auto glass = makeMaterial(2, Color4(0.2f, 0.9f, 0.3f));
  glass->setOpacity(0.5f);
  glass->chooseShadeModel();
  auto plain = makeMaterial(3, Color4(0.3f, 0.3f, 0.9f));
  plain->chooseShadeModel();
  scene.addMaterial(std::move(base));
  scene.addMaterial(std::move(glass));
  scene.addMaterial(std::move(plain));
  const int32_t materials[] = {1, 1, 3, 1, 2, 2, 3, 3};
  for (int i = 0; i < 8; ++i)
    scene.addObject(
        makeQuad(i + 1, "q" + std::to_string(i), materials[i], -2.8f + 0.8f * float(i), (i % 2) * 0.5f, -8, 0.6f), -1);
  scene.addCamera(makeCamera(), -1);
  scene.addLight(makeLight(20, "Omni01", Vector3(0, 0, 1000)), -1);
  scene.finish();
  std::vector<uint8_t> pictures[2];
  for (int immediate = 0; immediate < 2; ++immediate) {
    Switches::set(Switch::MaterialNoDefer, immediate == 1);
    render(scene);
    Switches::set(Switch::MaterialNoDefer, false);
    GLint depth = -1;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    pictures[immediate].resize(size_t(kSize) * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pictures[immediate].data());
  }
  EXPECT_TRUE(pictures[0] == pictures[1]);
  // Something of every material is on the picture.
  expectPixel(column8(-2.8f), 256, rgb(0.8f, 0.6f * 128 / 255, 0.4f * 64 / 255));
}

TEST_F(SceneRenderTest, MorphingMeshMovesWithSceneTime) {
  Scene scene;
  scene.addMaterial(makeMaterial(1, Color4(1.0f, 1.0f, 1.0f)));
  scene.findMaterial(1)->chooseShadeModel();
  scene.addObject(makeQuad(1, "blob", 1, 0, 0, -5, 0.5f), -1);
  scene.addCamera(makeCamera(), -1);
  scene.addLight(makeLight(2, "Omni01", Vector3(0, 0, 1000)), -1);
  scene.finish();
  scene.setFrameCount(10);
  scene.setStep(100);
  auto* mesh = static_cast<MeshObject*>(scene.findObject("blob"));
  // Frame 0 two units left, frame 1 two units right.
  std::vector<float> positions, normals;
  for (float shift : {-2.0f, 2.0f})
    for (const MeshObject::Vertex& v : mesh->vertices()) {
      positions.insert(positions.end(), {v.position.x + shift, v.position.y, v.position.z});
      normals.insert(normals.end(), {0.0f, 0.0f, 1.0f});
    }
  mesh->setMorphData(2, positions, normals);
  EXPECT_FALSE(mesh->usesVertexBuffers());
  // Screen x of world x at depth 5: 256 + x / (5 tan 22.5 deg) x 256.
  const auto column = [](float x) { return int(256.0f + x / (5.0f * std::tan(0.3926991f)) * 256.0f); };
  const struct {
    float time;
    float x;
  } steps[] = {{0.0f, -2.0f}, {50.0f, 0.0f}, {100.0f, 2.0f}};
  for (const auto& step : steps) {
    scene.setTime(step.time);
    scene.animate();
    render(scene);
    SCOPED_TRACE(step.time);
    expectPixel(column(step.x), 256, {255, 255, 255});
    for (float other : {-2.0f, 0.0f, 2.0f})
      if (other != step.x) expectPixel(column(other), 256, {0, 0, 0});
  }
}

// The draw rules on a parent quad (red) and its child quad (green), both closed, 0.4 wide: where
// each lands on the screen at depth 5.
struct DrawRuleCase {
  const char* name;
  void (*set)(SceneObject& parent, SceneObject& child);
  float redX, greenX;  // world x where each shows; NAN: nowhere checked
  float emptyX;        // world x that stays black
};

class DrawRuleTest : public SceneRenderTest, public ::testing::WithParamInterface<DrawRuleCase> {};

TEST_P(DrawRuleTest, ObjectsLandWhereTheRulesPutThem) {
  const DrawRuleCase& c = GetParam();
  Scene scene;
  scene.addMaterial(makeMaterial(1, Color4(1.0f, 0.0f, 0.0f)));
  scene.addMaterial(makeMaterial(2, Color4(0.0f, 1.0f, 0.0f)));
  scene.findMaterial(1)->chooseShadeModel();
  scene.findMaterial(2)->chooseShadeModel();
  scene.addObject(makeQuad(1, "parent", 1, 0, 0, -5, 0.2f, true), -1);
  scene.addObject(makeQuad(2, "child", 2, 0, 0, -5, 0.2f, true), 1);
  scene.addCamera(makeCamera(), -1);
  scene.addLight(makeLight(3, "Omni01", Vector3(0, 0, 1000)), -1);
  scene.finish();
  c.set(*scene.findObject("parent"), *scene.findObject("child"));
  scene.reapplyLights();  // as the effects do at start: normals stay unit length under scales
  render(scene);
  const auto column = [](float x) { return int(256.0f + x / (5.0f * std::tan(0.3926991f)) * 256.0f); };
  if (!std::isnan(c.redX)) expectPixel(column(c.redX), 256, {255, 0, 0});
  if (!std::isnan(c.greenX)) expectPixel(column(c.greenX), 256, {0, 255, 0});
  expectPixel(column(c.emptyX), 256, {0, 0, 0});
}

INSTANTIATE_TEST_SUITE_P(Rules, DrawRuleTest,
                         ::testing::Values(
                             // The offset moves the drawing; the child stays at its own absolute place.
                             DrawRuleCase{"Offset",
                                          [](SceneObject& p, SceneObject& c) {
                                            p.setOffset(Vector3(1.5f, 0, 0));
                                            c.setPosition(Vector3(-1.5f, 0, -5));
                                          },
                                          1.5f, -1.5f, 0.0f},
                             // Extra scale (2) makes the 0.4 quad 1.2 wide around its centre.
                             DrawRuleCase{"ExtraScale",
                                          [](SceneObject& p, SceneObject& c) {
                                            p.setExtraScale(Vector3(2, 2, 2));
                                            c.setVisible(false);
                                          },
                                          0.5f, NAN, 0.8f},
                             // Without inheriting, a moved parent leaves the child where it is.
                             DrawRuleCase{"ChildrenKeepTheirPlace",
                                          [](SceneObject& p, SceneObject& c) {
                                            p.setPosition(Vector3(1.5f, 0, -5));
                                            c.setPosition(Vector3(-1.0f, 0, -5));
                                          },
                                          1.5f, -1.0f, 0.0f},
                             // Inheriting, the child's position is taken inside the parent's transform.
                             DrawRuleCase{"ChildrenInherit",
                                          [](SceneObject& p, SceneObject& c) {
                                            p.setPosition(Vector3(1.5f, 0, -5));
                                            p.setChildrenInherit(true);
                                            c.setPosition(Vector3(-2.5f, 0, 0));
                                          },
                                          1.5f, -1.0f, -2.5f},
                             // An invisible parent still draws its children.
                             DrawRuleCase{"InvisibleParentDrawsChildren",
                                          [](SceneObject& p, SceneObject& c) {
                                            p.setVisible(false);
                                            c.setPosition(Vector3(1.0f, 0, -5));
                                          },
                                          NAN, 1.0f, 0.0f},
                             // Mirrored: drawn once more first, under the mirror scale.
                             DrawRuleCase{"Mirrored",
                                          [](SceneObject& p, SceneObject& c) {
                                            p.setPosition(Vector3(1.5f, 0, -5));
                                            p.setMirror(true, Vector3(-1, 1, 1));
                                            c.setVisible(false);
                                          },
                                          1.5f, NAN, 0.0f}),
                         [](const ::testing::TestParamInfo<DrawRuleCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(SceneRenderTest, MirroredObjectShowsOnBothSides) {
  Scene scene;
  scene.addMaterial(makeMaterial(1, Color4(1.0f, 0.0f, 0.0f)));
  scene.findMaterial(1)->chooseShadeModel();
  scene.addObject(makeQuad(1, "thing", 1, 1.5f, 0, -5, 0.2f, true), -1);
  scene.addCamera(makeCamera(), -1);
  scene.addLight(makeLight(3, "Omni01", Vector3(0, 0, 1000)), -1);
  scene.finish();
  scene.findObject("thing")->setMirror(true, Vector3(-1, 1, 1));
  render(scene);
  const auto column = [](float x) { return int(256.0f + x / (5.0f * std::tan(0.3926991f)) * 256.0f); };
  EXPECT_GT(redOf(gContext->readPixel(column(1.5f), 256)), 200);
  EXPECT_GT(redOf(gContext->readPixel(column(-1.5f), 256)), 200);
}

TEST_F(SceneRenderTest, EnvironmentProgramGivesTheFixedFunctionPicture) {
  ASSERT_TRUE(Material::hasVertexPrograms());
  Rgb pixels[2][3];
  for (int program = 0; program < 2; ++program) {
    Scene scene;
    auto material = makeMaterial(1, Color4(0.8f, 0.6f, 0.4f));
    // A reflection map that varies: red grows with u, green with v.
    auto texture = std::make_unique<Texture>(GL_TEXTURE_2D, GL_RGBA);
    texture->createEmpty2D(8, 8);
    std::vector<uint8_t> texels(8 * 8 * 4);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        uint8_t* t = &texels[size_t(y * 8 + x) * 4];
        t[0] = uint8_t(x * 32);
        t[1] = uint8_t(y * 32);
        t[2] = 100;
        t[3] = 255;
      }
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 8, 8, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    material->setReflectionMap(texture.get());
    _textures.push_back(std::move(texture));
    material->chooseShadeModel();
    ASSERT_NE(Material::environmentProgram(), 0u);
    scene.addMaterial(std::move(material));
    auto mesh = makeQuad(1, "tilted", 1, 0, 0, -5, 2);
    mesh->setRotation(30.0f, 40.0f, 0.0f);
    scene.addObject(std::move(mesh), -1);
    scene.addCamera(makeCamera(), -1);
    scene.addLight(makeLight(2, "Omni01", Vector3(0, 0, 1000)), -1);
    scene.finish();
    scene.setEnvironmentVertexProgram(program == 1);
    render(scene);
    const int xs[3] = {200, 256, 310};
    for (int i = 0; i < 3; ++i) {
      const uint32_t p = gContext->readPixel(xs[i], 256);
      pixels[program][i] = {redOf(p), greenOf(p), blueOf(p)};
    }
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_GT(pixels[0][i].r + pixels[0][i].g, 0);
    EXPECT_NEAR(pixels[1][i].r, pixels[0][i].r, 6);
    EXPECT_NEAR(pixels[1][i].g, pixels[0][i].g, 6);
    EXPECT_NEAR(pixels[1][i].b, pixels[0][i].b, 6);
  }
}

TEST_F(SceneRenderTest, BadInputDrawsWithoutGLErrors) {
  ReportCapture reports;
  Scene scene;
  scene.addMaterial(makeMaterial(1, Color4(1.0f, 1.0f, 1.0f)));
  scene.findMaterial(1)->chooseShadeModel();
  scene.addObject(makeQuad(1, "floor", 1, 0, 0, 0, 2), -1);
  // A camera straight above its target looks along the up axis.
  auto camera = makeCamera();
  camera->setPosition(Vector3(0, 10, 0));
  camera->setTargetId(1);
  scene.addCamera(std::move(camera), -1);
  // A shadow light without a target is skipped.
  auto light = makeLight(2, "Spot01", Vector3(0, 5, 0));
  light->setCastsShadow(true);
  scene.addLight(std::move(light), -1);
  scene.finish();
  scene.enableShadows(true);
  render(scene);
  render(scene);
  EXPECT_EQ(reports.reports().size(), 1u);
  EXPECT_TRUE(reports.contains("camera looks along its up axis"));

  // A missing program file loads nothing and reports nothing.
  reports.clear();
  EXPECT_FALSE(Material::loadVertexProgram("data/shaders/missing.vds"));
  EXPECT_TRUE(reports.reports().empty());
}

TEST(Matrix4Test, AffineInverseUndoesTheTransform) {
  Matrix4 m = Matrix4::fromEuler(0.3f, -1.1f, 2.0f);
  m.m[0] *= 2.0f;
  m.m[5] *= 0.5f;
  m.m[12] = 3.0f;
  m.m[13] = -4.0f;
  m.m[14] = 7.0f;
  const Matrix4 product = multiply(m, affineInverse(m));
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << i;
  const Vector3 p = transformPoint(affineInverse(m), transformPoint(m, Vector3(1, 2, 3)));
  EXPECT_NEAR(p.x, 1.0f, 1e-4f);
  EXPECT_NEAR(p.y, 2.0f, 1e-4f);
  EXPECT_NEAR(p.z, 3.0f, 1e-4f);
}

TEST(Matrix4Test, LookAtAlongUpAxisStaysFinite) {
  const Matrix4 m = Matrix4::lookAt(Vector3(0, 10, 0), Vector3(0, 0, 0), Vector3(0, 1, 0));
  for (float v : m.m) EXPECT_TRUE(std::isfinite(v));
  // The target ends up straight ahead at distance 10.
  const Vector3 t = transformPoint(m, Vector3(0, 0, 0));
  EXPECT_NEAR(t.z, -10.0f, 1e-4f);
  EXPECT_NEAR(t.x, 0.0f, 1e-4f);
}

}  // namespace
