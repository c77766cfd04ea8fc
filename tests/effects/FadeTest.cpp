// Fade's alpha over the phase (p = 0.1 per ms at the default speed), its blend functions, its
// events and the GL state it leaves.
#include <vector>

#include "Fade.h"
#include "OverlayFixture.h"

namespace {

struct FadeCase {
  const char* name;
  std::vector<EffectEvent> events;  // handled after the start at time 0
  uint32_t time;                    // ms; phase = 0.1 x time
  float background;                 // grey level under the fade
  Rgb expected;                     // centre pixel
};

// Fade colour (0.2, 0.4, 0.6); f(c, bg, a) follows from the blend function of each case.
const FadeCase kCases[] = {
    // Fading out: (SRC_ALPHA, ONE_MINUS_SRC_ALPHA), a = 1 - p; "Alpha" (0) is not drawn.
    {"OpaqueAtPhaseZero", {}, 0, 1.0f, {51, 102, 153}},
    {"HalfAtPhaseHalf", {}, 5, 1.0f, {153, 179, 204}},
    {"NothingOncePhaseAboveOne", {}, 11, 1.0f, {255, 255, 255}},
    // Fading in, additive (SRC_ALPHA, ONE), a = p.
    {"FadeInAddsAtPhaseHalf", {makeEvent(27, 0.0f)}, 5, 0.25f, {89, 115, 140}},
    {"FadeInInvisibleAtPhaseZero", {makeEvent(27, 0.0f)}, 0, 0.25f, {64, 64, 64}},
    // Fading in with the blend flag: (SRC_ALPHA, ONE_MINUS_SRC_ALPHA).
    {"BlendFlagMixesAtPhaseHalf", {makeEvent(27, 0.0f), makeEvent(31, 1.0f)}, 5, 0.25f, {57, 83, 108}},
    // a = 2 is not clamped by the fade; GL clamps the colour, so the quad is opaque.
    {"FadeInBeyondOneIsOpaque", {makeEvent(27, 0.0f), makeEvent(31, 1.0f)}, 20, 0.25f, {51, 102, 153}},
    // Event 22: speed 1 / 4, phase 0.05 per ms: half at 10 ms.
    {"SpeedEventHalvesThePhase", {makeEvent(22, 4.0f)}, 10, 1.0f, {153, 179, 204}},
};

class FadeTest : public OverlayFixture, public ::testing::WithParamInterface<FadeCase> {};

TEST_P(FadeTest, CentrePixel) {
  const FadeCase& c = GetParam();
  clearTo(c.background, c.background, c.background);
  Fade fade;
  fade.findVariable("Red")->setValue(0.2f, 0);
  fade.findVariable("Green")->setValue(0.4f, 0);
  fade.findVariable("Blue")->setValue(0.6f, 0);
  fade.handleEvent(makeEvent(0));
  for (const EffectEvent& e : c.events) fade.handleEvent(e);
  fade.update(c.time);
  fade.render(c.time);
  const Rgb pixel = pixelAt(0.5f, 0.5f);
  EXPECT_TRUE(near(pixel, c.expected)) << pixel << " expected " << c.expected;
  // The quad covers the whole screen.
  EXPECT_TRUE(near(pixelAt(0.0f, 0.0f), pixel, 0));
  EXPECT_TRUE(near(pixelAt(0.999f, 0.999f), pixel, 0));
  if (std::string(c.name) == "HalfAtPhaseHalf") savePicture("fade-half.png");
}

INSTANTIATE_TEST_SUITE_P(Phases, FadeTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FadeCase>& info) { return std::string(info.param.name); });

using FadeStateTest = OverlayFixture;

TEST_F(FadeStateTest, LeavesTheOverlayEndState) {
  glEnable(GL_CULL_FACE);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
  Fade fade;
  fade.handleEvent(makeEvent(0));
  fade.update(3);
  fade.render(3);
  expectOverlayEndState();
}

TEST_F(FadeStateTest, DrawsNothingAndTouchesNoStateOncePhaseIsAboveOne) {
  glEnable(GL_BLEND);
  Fade fade;
  fade.handleEvent(makeEvent(0));
  fade.update(20);
  fade.render(20);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(near(pixelAt(0.5f, 0.5f), Rgb{0, 0, 0}, 0));
}

TEST(FadeEvents, StartClearsTheBlendFlagButKeepsFadeOut) {
  Fade fade;
  EXPECT_TRUE(fade.isFadingOut());
  EXPECT_FALSE(fade.isBlending());
  fade.handleEvent(makeEvent(27, 0.0f));
  fade.handleEvent(makeEvent(31, 1.0f));
  EXPECT_FALSE(fade.isFadingOut());
  EXPECT_TRUE(fade.isBlending());
  fade.handleEvent(makeEvent(0));
  EXPECT_FALSE(fade.isBlending());
  EXPECT_FALSE(fade.isFadingOut());
}

TEST(FadeEvents, SpeedEventIgnoresValuesNearZero) {
  struct Case {
    float value;
    float speedFactor;  // 0.2 x "Speed" after the event
  } cases[] = {{4.0f, 0.05f}, {-2.0f, -0.1f}, {0.0001f, 0.1f}, {-0.00005f, 0.1f}, {0.0f, 0.1f}};
  for (const Case& c : cases) {
    Fade fade;
    fade.handleEvent(makeEvent(22, c.value));
    fade.update(0);
    EXPECT_FLOAT_EQ(fade.getSpeedFactor(), c.speedFactor) << "value " << c.value;
  }
}

}  // namespace
