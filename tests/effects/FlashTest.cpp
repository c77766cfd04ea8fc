// Flash at chosen times of its beat pattern (beat 100 ms, phase 0.1 per ms): full at a step,
// 1/e one phase unit later, nothing on a '0' step, and its intensity formula at the extremes.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "DemoSettings.h"
#include "Flash.h"
#include "OverlayFixture.h"
#include "OverlayState.h"
#include "ScreenHelpers.h"

namespace {

const float kE = std::exp(1.0f);

struct FlashCase {
  const char* name;
  const char* pattern;
  bool add;
  float background;             // grey level under the flash
  std::vector<uint32_t> times;  // ms after the start: updates in order, rendered at the last
  int expected;                 // grey level of the centre pixel
  int tolerance = 2;
};

// Add: bg + I. Not add: I x I + (1 - I) x bg. I(1 unit) = 1/e = 0.3679.
const FlashCase kCases[] = {
    {"FullRightAfterTheStep", "1000", true, 0.0f, {0}, 255},
    {"OneOverEOneUnitLater", "1000", true, 0.0f, {0, 10}, 94},
    {"NothingOnAZeroStep", "1000", true, 0.25f, {0, 100}, 64},
    {"FullAgainAtTheNextOneStep", "11", true, 0.0f, {0, 100}, 255},
    {"OneOverEAfterTheNextOneStep", "11", true, 0.0f, {0, 100, 110}, 94},
    {"AddOnTopOfGrey", "1000", true, 0.25f, {0, 10}, 158},
    {"AlphaBlendedWithoutAdd", "1000", false, 0.5f, {0, 10}, 115},
    {"AnyNonZeroCharacterFlashes", "x0", true, 0.0f, {0}, 255},
    {"SixUnitsLaterStillOneStep", "1000", true, 0.0f, {0, 60}, 1, 0},  // e^-6 = 0.63 / 255
    {"SevenUnitsLaterNotDrawn", "1000", true, 0.0f, {0, 70}, 0, 0},    // e^-7 = 0.23 / 255
};

class FlashTest : public OverlayFixture, public ::testing::WithParamInterface<FlashCase> {
 protected:
  void SetUp() override {
    OverlayFixture::SetUp();
    demoSettings().beat = 100;
    Effect::setLastPatternStep(1000);
  }
};

TEST_P(FlashTest, CentrePixel) {
  const FlashCase& c = GetParam();
  clearTo(c.background, c.background, c.background);
  Flash flash;
  flash.findVariable("Pattern")->setString(c.pattern, 0);
  flash.findVariable("Add")->setValue(c.add ? 1.0f : 0.0f, 0);
  flash.handleEvent(makeEvent(0));
  for (uint32_t time : c.times) flash.update(time);
  flash.render(c.times.back());
  const Rgb pixel = pixelAt(0.5f, 0.5f);
  EXPECT_TRUE(near(pixel, Rgb{c.expected, c.expected, c.expected}, c.tolerance)) << pixel << " expected " << c.expected;
  EXPECT_TRUE(near(pixelAt(0.0f, 0.0f), pixel, 0));
  if (std::string(c.name) == "AddOnTopOfGrey") savePicture("flash-one-unit.png");
}

INSTANTIATE_TEST_SUITE_P(PatternSteps, FlashTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FlashCase>& info) { return std::string(info.param.name); });

TEST_F(FlashTest, TriggerIsThePhaseOfTheLatestStep) {
  Flash flash;
  flash.findVariable("Pattern")->setString("10", 0);
  flash.handleEvent(makeEvent(0));
  flash.update(50);
  EXPECT_FLOAT_EQ(flash.getTrigger(), 5.0f);  // first update: step 0 differs from 1000
  flash.update(150);
  EXPECT_FLOAT_EQ(flash.getTrigger(), 15.0f);  // step 1
  flash.update(160);
  EXPECT_FLOAT_EQ(flash.getTrigger(), 15.0f);  // same step: no new trigger
}

TEST_F(FlashTest, LeavesTheOverlayEndState) {
  glEnable(GL_CULL_FACE);
  Flash flash;
  flash.handleEvent(makeEvent(0));
  flash.update(0);
  flash.render(0);
  expectOverlayEndState();
}

// What skipping a decayed flash relies on: the quad Flash draws, at just under kInvisibleLevel,
// leaves each of the 256 grey levels as it was in both blend modes; one 8-bit step brightens them.
TEST_F(FlashTest, BelowTheInvisibleLevelTheQuadChangesNoGreyLevel) {
  std::vector<uint8_t> ramp(256 * 4);
  for (int i = 0; i < 256; ++i)
    for (int c = 0; c < 4; ++c) ramp[size_t(i * 4 + c)] = uint8_t(c == 3 ? 255 : i);
  struct Case {
    bool add;
    float level;
    bool changes;
  } cases[] = {
      {true, Flash::kInvisibleLevel * 0.999f, false},
      {false, Flash::kInvisibleLevel * 0.999f, false},
      {true, 1.0f / 255.0f, true},
  };
  for (const Case& c : cases) {
    clearTo(0.0f, 0.0f, 0.0f);
    glWindowPos2i(0, 0);
    glDrawPixels(256, 1, GL_RGBA, GL_UNSIGNED_BYTE, ramp.data());
    if (c.add)
      OverlayState::begin(GL_ONE, GL_ONE);
    else
      OverlayState::begin(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(c.level, c.level, c.level, c.level);
    drawQuad(ScreenRect{});
    OverlayState::end();
    std::vector<uint8_t> after(256 * 4);
    glReadPixels(0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_BYTE, after.data());
    int changed = 0;
    for (int i = 0; i < 256; ++i) changed += after[size_t(i * 4)] != ramp[size_t(i * 4)] ? 1 : 0;
    if (c.changes)
      EXPECT_GT(changed, 200) << "level " << c.level;
    else
      EXPECT_EQ(changed, 0) << "add " << c.add << " level " << c.level;
  }
}

TEST(FlashIntensity, FollowsTheExponentialDecay) {
  struct Case {
    float phase;
    float trigger;
    float expected;
  } cases[] = {
      {0.0f, 0.0f, 1.0f},
      {1.0f, 0.0f, 1.0f / kE},
      {12.0f, 10.0f, 1.0f / (kE * kE)},
      {0.5f, 0.0f, std::exp(-127.0f / 255.0f)},  // n = 255 - 127
      {1e30f, 0.0f, 0.0f},                       // no overflow of the integer conversion
      {0.0f, 1e30f, 1.0f},                       // before the trigger: clamped to full
      {std::numeric_limits<float>::quiet_NaN(), 0.0f, 1.0f},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(Flash::intensity(c.phase, c.trigger), c.expected, 1e-5f) << c.phase << " - " << c.trigger;
}

}  // namespace
