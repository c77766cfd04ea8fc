// The unit-square projections and the quad helpers, checked by the pixels they produce.
#include "ImageFixtures.h"
#include "ScreenHelpers.h"
#include "TempDir.h"
#include "TestGLContext.h"
#include "Texture.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr uint32_t kRed = 0xFF0000FF, kGreen = 0xFF00FF00, kBlue = 0xFFFF0000, kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

class ScreenHelpersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gContext = new TestGLContext(200, 100);
    TempDir dir;
    const std::string path = dir.path() + "/quadrants.png";
    writeBytes(path, encodePng(64, 64, PNG_COLOR_TYPE_RGBA, 8, quadrantPicture(64, 64)));
    gQuadrants = Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D);
  }
  static void TearDownTestSuite() {
    delete gQuadrants;
    delete gContext;
  }
  void SetUp() override {
    ASSERT_TRUE(gContext->ok());
    ASSERT_NE(gQuadrants, nullptr);
    glViewport(0, 0, gContext->width(), gContext->height());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    // Nearest sampling so every pixel carries exactly one quadrant's colour.
    gQuadrants->setFilter(GL_NEAREST, GL_NEAREST);
  }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

  // Pixel at fractions of the window measured from the top-left corner.
  static uint32_t pixelFromTop(float fx, float fy) {
    const int x = int(fx * gContext->width());
    const int y = gContext->height() - 1 - int(fy * gContext->height());
    return gContext->readPixel(x, y);
  }
  // Colours of the four quadrant centres: top-left, top-right, bottom-left, bottom-right.
  static std::vector<uint32_t> quadrantColours() {
    return {pixelFromTop(0.25f, 0.25f), pixelFromTop(0.75f, 0.25f), pixelFromTop(0.25f, 0.75f),
            pixelFromTop(0.75f, 0.75f)};
  }
  static void savePicture(const char* name) {
    if (const char* dir = std::getenv("RK17_TEST_PICTURES")) gContext->savePng((std::string(dir) + "/" + name).c_str());
  }

  static TestGLContext* gContext;
  static Texture* gQuadrants;
};

TestGLContext* ScreenHelpersTest::gContext = nullptr;
Texture* ScreenHelpersTest::gQuadrants = nullptr;

TEST_F(ScreenHelpersTest, ImageIsUprightUnderTheOrthoProjection) {
  setOrthoProjection();
  drawTexturedQuad(gQuadrants, ScreenRect{0, 0, 1, 1});
  savePicture("ortho.png");
  EXPECT_EQ(quadrantColours(), (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
  // The full rectangle covers the viewport to its last pixels.
  EXPECT_EQ(gContext->readPixel(0, gContext->height() - 1), kRed);
  EXPECT_EQ(gContext->readPixel(gContext->width() - 1, 0), kWhite);
}

TEST_F(ScreenHelpersTest, RowsAreReversedUnderTheFlippedProjection) {
  setOrthoProjectionFlipped();
  drawTexturedQuad(gQuadrants, ScreenRect{0, 0, 1, 1});
  savePicture("flipped.png");
  EXPECT_EQ(quadrantColours(), (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));
  EXPECT_EQ(gContext->readPixel(0, 0), kRed);
  EXPECT_EQ(gContext->readPixel(gContext->width() - 1, gContext->height() - 1), kWhite);
}

TEST_F(ScreenHelpersTest, ProjectionsLoadTheUnitBoxAndLeaveModelViewCurrent) {
  struct Case {
    void (*load)();
    float yScale, yOffset;
  };
  for (const Case& c : {Case{setOrthoProjection, 2, -1}, Case{setOrthoProjectionFlipped, -2, 1}}) {
    glMatrixMode(GL_PROJECTION);
    glTranslatef(3, 4, 5);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3, 4, 5);
    glMatrixMode(GL_TEXTURE);
    c.load();
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float p[16], m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float expected[16] = {2, 0, 0, 0, 0, c.yScale, 0, 0, 0, 0, -1, 0, -1, c.yOffset, 0, 1};
    for (int i = 0; i < 16; ++i) {
      EXPECT_FLOAT_EQ(p[i], expected[i]) << i;
      EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    }
  }
}

TEST_F(ScreenHelpersTest, RectangleIsPlacedFromTheTopLeft) {
  setOrthoProjection();
  glColor4f(0, 1, 0, 1);
  drawQuad(ScreenRect{0.5f, 0.0f, 0.5f, 0.25f});  // top-right, a quarter of the height
  EXPECT_EQ(pixelFromTop(0.75f, 0.1f), kGreen);
  EXPECT_EQ(pixelFromTop(0.75f, 0.4f), kBlack);
  EXPECT_EQ(pixelFromTop(0.25f, 0.1f), kBlack);
}

TEST_F(ScreenHelpersTest, TexturePartMapsTheSubRectangle) {
  setOrthoProjection();
  // Texture coordinates (0.5, 0.5)-(1, 1): the bottom-right quadrant of the image only.
  drawTexturedQuadPart(gQuadrants, ScreenRect{0, 0, 1, 1}, ScreenRect{0.5f, 0.5f, 0.5f, 0.5f});
  EXPECT_EQ(quadrantColours(), (std::vector<uint32_t>{kWhite, kWhite, kWhite, kWhite}));
  // (0, 0)-(1, 0.5) stretched over the lower half of the screen: the image's top half.
  glClear(GL_COLOR_BUFFER_BIT);
  drawTexturedQuadPart(gQuadrants, ScreenRect{0, 0.5f, 1, 0.5f}, ScreenRect{0, 0, 1, 0.5f});
  EXPECT_EQ(pixelFromTop(0.25f, 0.75f), kRed);
  EXPECT_EQ(pixelFromTop(0.75f, 0.75f), kGreen);
  EXPECT_EQ(pixelFromTop(0.25f, 0.25f), kBlack);
}

// The vertex order makes the quad clockwise on screen under setOrthoProjection (so culling back
// faces removes it) and counter-clockwise under the flipped one; a negative width reverses both.
TEST_F(ScreenHelpersTest, VertexOrderGivesTheWindingOfEachProjection) {
  struct Case {
    void (*load)();
    ScreenRect rect;
    bool frontFacing;
  };
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glColor4f(1, 1, 1, 1);
  for (const Case& c : {Case{setOrthoProjection, {0, 0, 1, 1}, false}, Case{setOrthoProjectionFlipped, {0, 0, 1, 1}, true},
                        Case{setOrthoProjection, {1, 0, -1, 1}, true}, Case{setOrthoProjectionFlipped, {0, 1, 1, -1}, false}}) {
    glClear(GL_COLOR_BUFFER_BIT);
    c.load();
    drawQuad(c.rect);
    EXPECT_EQ(pixelFromTop(0.5f, 0.5f), c.frontFacing ? kWhite : kBlack) << c.rect.width << " " << c.rect.height;
  }
  glDisable(GL_CULL_FACE);
}

TEST_F(ScreenHelpersTest, TexturedQuadBindsAndSwitchesTexturingOff) {
  setOrthoProjection();
  for (bool enabledBefore : {false, true}) {
    glBindTexture(GL_TEXTURE_2D, 0);
    if (enabledBefore) glEnable(GL_TEXTURE_2D);
    drawTexturedQuad(gQuadrants, ScreenRect{0, 0, 1, 1});
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), gQuadrants->getTextureId());
  }
}

TEST_F(ScreenHelpersTest, NullTextureChangesNoTextureState) {
  setOrthoProjection();
  GLuint other = 0;
  glGenTextures(1, &other);
  for (bool enabledBefore : {false, true}) {
    glBindTexture(GL_TEXTURE_2D, other);
    if (enabledBefore) {
      glEnable(GL_TEXTURE_2D);
    } else {
      glDisable(GL_TEXTURE_2D);
    }
    drawTexturedQuad(nullptr, ScreenRect{0, 0, 1, 1});
    drawTexturedQuadPart(nullptr, ScreenRect{0, 0, 1, 1}, ScreenRect{0, 0, 1, 1});
    EXPECT_EQ(bool(glIsEnabled(GL_TEXTURE_2D)), enabledBefore);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), other);
  }
  glDisable(GL_TEXTURE_2D);
  glDeleteTextures(1, &other);
}

}  // namespace
