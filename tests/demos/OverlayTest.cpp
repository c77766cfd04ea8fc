// The overlay's text and panel, checked by pixels, and the GL state it leaves behind.
#include <cstdlib>
#include <string>

#include "GLSuite.h"
#include "Overlay.h"

namespace {

class OverlayTest : public GLSuite<200, 100> {
 protected:
  void SetUp() override {
    GLSuite::SetUp();
    glViewport(0, 0, 200, 100);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
  }
  // Pixel (x, y) counted from the top-left corner.
  static uint32_t at(int x, int y) { return gContext->readPixel(x, 99 - y); }
};

TEST_F(OverlayTest, DrawsGlyphBlocksOnADarkPanelAndRestoresTheState) {
  // '1' has its top row in column 2 only; '-' its middle row (row 3) in all five columns.
  Overlay::draw({{"1", false}, {"-", true}}, 200, 100);
  if (const char* dir = std::getenv("RK17_TEST_PICTURES"))
    gContext->savePng((std::string(dir) + "/overlay.png").c_str());
  const int m = Overlay::kMargin, s = Overlay::kScale, line = Overlay::kLineHeight;
  const struct {
    int x, y;
    int r, g, b;
  } cases[] = {
      {m + 2 * s, m, 255, 255, 255},                       // top of the '1'
      {m + 2 * s + 1, m + 1, 255, 255, 255},               // the same block, its last pixel
      {m, m, 51, 51, 51},                                  // panel: 0.4 of the grey behind it
      {m + 4 * s, m, 51, 51, 51},                          // right of the '1''s top
      {m, m + line + 3 * s, 255, 89, 77},                  // the warning line's '-' in red
      {m + 4 * s + 1, m + line + 3 * s + 1, 255, 89, 77},  // its last block
      {m, m + line + 2 * s, 51, 51, 51},                   // above the '-'
      {150, 50, 128, 128, 128},                            // outside the panel: untouched
  };
  for (const auto& c : cases) {
    const uint32_t p = at(c.x, c.y);
    EXPECT_NEAR(redOf(p), c.r, 2) << c.x << "," << c.y;
    EXPECT_NEAR(greenOf(p), c.g, 2) << c.x << "," << c.y;
    EXPECT_NEAR(blueOf(p), c.b, 2) << c.x << "," << c.y;
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLint depth = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
