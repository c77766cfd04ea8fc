// A window context destroyed and another made in the same process (a new window, or test suites
// run one after the other): programs, samplers, textures and pixel buffers kept across frames
// were made in the first context's share group and must be made again for the second. Each
// context draws the same shadowed scene through the receiver program and the same fast blur
// pass; the second must give the first one's pictures without a GL error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Blur.h"
#include "LightObject.h"
#include "MeshObject.h"
#include "MorphDataReader.h"
#include "PBuffer.h"
#include "ReportCapture.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"
#include "ShadowShader.h"
#include "TestGLContext.h"

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;
constexpr int kBlurSize = 64;  // target of the blur pass; its source is twice as large

struct Pictures {
  std::vector<uint8_t> onePass;  // the scene with receivers drawn by the receiver program
  std::vector<uint8_t> literal;  // the same frame through the two literal passes
  std::vector<uint32_t> blurred;
  GLenum error = GL_NO_ERROR;  // first GL error after drawing
};

std::vector<uint8_t> renderScene(Scene& scene, float time) {
  glViewport(0, 0, kWidth, kHeight);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  scene.setTime(time);
  scene.animate();
  scene.render();
  std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// Draws the pictures in a window context of its own, which is gone when this returns.
void drawInNewContext(Pictures& out) {
  TestGLContext context(kWidth, kHeight);
  ASSERT_TRUE(context.ok());
  {
    std::unique_ptr<Scene> scene = SceneLoaderVDG().read("data/scenes/scene3.vdg", "data/textures/");
    ASSERT_TRUE(scene && scene->root());
    ASSERT_TRUE(scene->offScreenShadows());
    for (const auto& object : scene->objects())
      if (auto* mesh = dynamic_cast<MeshObject*>(object.get())) MorphDataReader::loadMorphData(*mesh);
    scene->reapplyLights();
    LightObject* spot = scene->findLight("Spot01");
    ASSERT_NE(spot, nullptr);
    spot->setCastsShadow(true);
    scene->enableShadows(true);
    const float at = float(scene->frameCount() * scene->step()) * 0.45f;
    ShadowShader::setLiteralPath(true);
    out.literal = renderScene(*scene, at);
    ShadowShader::setLiteralPath(false);
    out.onePass = renderScene(*scene, at);
  }
  {
    Blur blur;  // chooses the buffer capture
    PBuffer source, target, across, down;
    ASSERT_TRUE(source.initialize(2 * kBlurSize, 2 * kBlurSize, false));
    for (PBuffer* b : {&target, &across, &down}) ASSERT_TRUE(b->initialize(kBlurSize, kBlurSize, false));
    for (PBuffer* b : {&source, &target, &across, &down}) b->createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR);
    std::vector<uint32_t> noise(size_t(4) * kBlurSize * kBlurSize);
    uint32_t seed = 5;
    for (uint32_t& texel : noise) texel = seed = seed * 1664525u + 1013904223u;
    glBindTexture(GL_TEXTURE_2D, source.getTexture());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 2 * kBlurSize, 2 * kBlurSize, GL_RGBA, GL_UNSIGNED_BYTE, noise.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    Blur::setFastPath(true);
    Blur::blurPass(Blur::Source{&source, nullptr}, target, 3.0f, 6.5f, 1.0f / 12.0f, false, false,
                   Blur::Scratch{&across, &down});
    out.blurred.resize(size_t(kBlurSize) * kBlurSize);
    target.enable();
    glReadPixels(0, 0, kBlurSize, kBlurSize, GL_RGBA, GL_UNSIGNED_BYTE, out.blurred.data());
    target.disable();
  }
  out.error = glGetError();
}

// Pixels of a and b that differ by more than 1 in some channel.
size_t differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t off = 0;
  for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
    for (size_t k = 0; k < 4; ++k)
      if (std::abs(int(a[i + k]) - int(b[i + k])) > 1) {
        ++off;
        break;
      }
  return off;
}

TEST(ContextRecreationTest, SecondWindowContextDrawsTheFirstOnesPictures) {
  std::filesystem::current_path(RK17_BINARY_DIR "/generated");
  ReportCapture reports;
  Pictures first, second;
  drawInNewContext(first);
  if (HasFatalFailure()) return;
  drawInNewContext(second);
  if (HasFatalFailure()) return;
  Blur::setFastPath(true);

  EXPECT_EQ(first.error, GLenum(GL_NO_ERROR));
  EXPECT_EQ(second.error, GLenum(GL_NO_ERROR));
  // The frame shows something, and the receiver program matches the literal passes (a few seam
  // pixels aside, as the receiver tests allow) in both contexts.
  size_t lit = 0;
  for (size_t i = 0; i < first.literal.size(); i += 4)
    if (first.literal[i] > 8 || first.literal[i + 1] > 8 || first.literal[i + 2] > 8) ++lit;
  EXPECT_GT(lit, first.literal.size() / 4 / 100);
  EXPECT_LE(differing(first.literal, first.onePass), 6u);
  EXPECT_LE(differing(second.literal, second.onePass), 6u);
  EXPECT_EQ(differing(first.onePass, second.onePass), 0u);
  EXPECT_EQ(differing(first.literal, second.literal), 0u);
  // The blur pass writes the same sums (noise shows any tap that reads the wrong texture).
  ASSERT_EQ(first.blurred.size(), second.blurred.size());
  size_t blurOff = 0;
  for (size_t i = 0; i < first.blurred.size(); ++i) blurOff += first.blurred[i] != second.blurred[i] ? 1 : 0;
  EXPECT_EQ(blurOff, 0u);
  EXPECT_TRUE(reports.reports().empty());
}

}  // namespace
