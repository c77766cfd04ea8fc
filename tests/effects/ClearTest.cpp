// Clear's buffer masks: each flag clears exactly its buffer; with none set the clear changes
// nothing and is still a valid GL call.
#include <cstdint>

#include "Clear.h"
#include "OverlayFixture.h"

namespace {

struct MaskCase {
  const char* name;
  bool colour;
  bool depth;
  bool stencil;
};

class ClearTest : public OverlayFixture, public ::testing::WithParamInterface<MaskCase> {
 protected:
  static float depthAtCentre() {
    float depth = -1.0f;
    glReadPixels(400, 300, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
  }
  static int stencilAtCentre() {
    uint8_t stencil = 0xEE;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(400, 300, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    return stencil;
  }
};

TEST_P(ClearTest, ClearsExactlyTheFlaggedBuffers) {
  const MaskCase& c = GetParam();
  // Known contents: grey colour, depth 0.25, stencil 5; then the clear values a Clear would use
  // for depth and stencil.
  glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
  glClearDepth(0.25);
  glClearStencil(5);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glClearDepth(1.0);
  glClearStencil(0);

  Clear clear(0.2f, 0.4f, 0.6f, 1.0f);
  clear.findVariable("ClearColor")->setValue(c.colour ? 1.0f : 0.0f, 0);
  clear.findVariable("ClearDepth")->setValue(c.depth ? 1.0f : 0.0f, 0);
  clear.findVariable("ClearStencil")->setValue(c.stencil ? 1.0f : 0.0f, 0);
  clear.render(0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  const Rgb colour = pixelAt(0.5f, 0.5f);
  const Rgb expected = c.colour ? Rgb{51, 102, 153} : Rgb{128, 128, 128};
  EXPECT_TRUE(near(colour, expected, 1)) << colour << " expected " << expected;
  EXPECT_NEAR(depthAtCentre(), c.depth ? 1.0f : 0.25f, 1e-5f);
  EXPECT_EQ(stencilAtCentre(), c.stencil ? 0 : 5);
}

const MaskCase kMasks[] = {
    {"EmptyMask", false, false, false},      {"ColourOnly", true, false, false},
    {"DepthOnly", false, true, false},       {"StencilOnly", false, false, true},
    {"ColourAndDepth", true, true, false},   {"DepthAndStencil", false, true, true},
    {"ColourAndStencil", true, false, true}, {"All", true, true, true},
};
INSTANTIATE_TEST_SUITE_P(Masks, ClearTest, ::testing::ValuesIn(kMasks),
                         [](const ::testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

using ClearColourTest = OverlayFixture;

TEST_F(ClearColourTest, UsesTheColourSampledAtTheRenderTime) {
  Clear clear(0.0f, 0.0f, 0.0f, 1.0f);
  // Red rises from 0 at time 0 to 1 at time 1000.
  clear.findVariable("Red")->replaceKeys({{0, 0.0f}, {1000, 1.0f}});
  clear.render(500);
  const Rgb colour = pixelAt(0.25f, 0.75f);
  EXPECT_TRUE(near(colour, Rgb{128, 0, 0}, 1)) << colour;
}

}  // namespace
