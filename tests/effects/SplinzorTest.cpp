// Splinzor: the fixed 5 ms simulation steps, the history's order, and the strand heads.
#include <epoxy/gl.h>

#include <cmath>
#include <vector>

#include "EffectPixelFixture.h"
#include "Splinzor.h"

namespace {

class SplinzorTest : public EffectPixelFixture {};

TEST_F(SplinzorTest, SimulationRunsFiveMillisecondStepsIndependentOfTheFrames) {
  struct StepCase {
    uint32_t time;
    uint32_t steps;
    uint32_t lastStep;
  };
  // From a fresh instance (last step 0), in order.
  const StepCase cases[] = {
      {5, 0, 0},                                      // less than 6 ms since the last step
      {1003, 200, 1000},                              // one second on: 200 steps
      {1004, 0, 1000},                                // twice within 5 ms: none in between
      {1007, 1, 1005},                                // 6 ms or more: a step
      {1011, 1, 1010},   {2013, 200, 2010},           // a jump of one second from a steady state
      {500, 0, 500},                                  // the clock went back (restart): the steps go on from there
      {506, 1, 505},     {10000510, 2000, 10000505},  // a jump beyond the history runs only what stays in it
  };
  Splinzor splinzor;
  splinzor.start(0);
  for (const StepCase& c : cases) {
    EXPECT_EQ(splinzor.simulate(c.time), c.steps) << c.time;
    EXPECT_EQ(splinzor.getLastStepTime(), c.lastStep) << c.time;
    EXPECT_EQ(splinzor.getCurrentTime(), c.time);
  }
}

TEST_F(SplinzorTest, TrialFramesLeaveHistoryAndLastStepAsTheyWere) {
  Splinzor splinzor;
  splinzor.start(0);
  splinzor.simulate(1003);
  const std::vector<float> history(splinzor.getHistory(), splinzor.getHistory() + Splinzor::kHistory);
  splinzor.saveFrameState();
  splinzor.simulate(5003);
  EXPECT_EQ(splinzor.getLastStepTime(), 5000u);
  splinzor.restoreFrameState();
  EXPECT_EQ(splinzor.getLastStepTime(), 1000u);
  EXPECT_EQ(std::vector<float>(splinzor.getHistory(), splinzor.getHistory() + Splinzor::kHistory), history);
  EXPECT_EQ(splinzor.simulate(1007), 1u);  // goes on as if the trial had not run
}

// Each instance keeps its own steps: making and running another leaves them as they were.
TEST_F(SplinzorTest, AnotherInstanceLeavesHistoryAndLastStepAlone) {
  Splinzor splinzor;
  splinzor.start(0);
  splinzor.simulate(1003);
  const std::vector<float> history(splinzor.getHistory(), splinzor.getHistory() + Splinzor::kHistory);
  Splinzor other;
  other.start(0);
  other.simulate(3003);
  EXPECT_EQ(splinzor.getLastStepTime(), 1000u);
  EXPECT_EQ(std::vector<float>(splinzor.getHistory(), splinzor.getHistory() + Splinzor::kHistory), history);
  EXPECT_EQ(other.getLastStepTime(), 3000u);
}

TEST_F(SplinzorTest, HistoryHoldsTheSignalOfEachStepNewestLast) {
  Splinzor splinzor;  // "Speed" 0.1: phase 0.02 per ms
  splinzor.start(0);
  EXPECT_EQ(splinzor.getHistory()[Splinzor::kHistory - 1], 0.0f);
  splinzor.simulate(1003);  // steps at 0, 5, ..., 995
  const float* history = splinzor.getHistory();
  struct Sample {
    int index;
    uint32_t stepTime;
  };
  const Sample samples[] = {{1999, 995}, {1998, 995}, {1997, 990}, {1799, 0}};
  for (const Sample& s : samples)
    EXPECT_NEAR(history[s.index], Splinzor::signalAt(0.02f * float(s.stepTime)), 1e-5) << s.index;
  EXPECT_EQ(history[1798], 0.0f);  // before the first step
  EXPECT_NEAR(Splinzor::signalAt(0.0f), 3.0 * std::sin(0.03) + 2.0, 1e-6);
}

TEST_F(SplinzorTest, EachHeadIsTheStartOfItsStrandsCurve) {
  Splinzor splinzor;
  splinzor.start(0);
  clearWindow(0, 0, 0);
  splinzor.update(3000);
  splinzor.render(3000);
  savePicture("splinzor.png");
  for (int m : {0, 37, 99}) {
    const float* p0 = splinzor.getControlPoint(m, 0);
    const float* p1 = splinzor.getControlPoint(m, 1);
    const float* p2 = splinzor.getControlPoint(m, 2);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(splinzor.getHead(m)[c], (p0[c] + 4.0f * p1[c] + p2[c]) / 6.0f, 1e-4f) << m << " " << c;
  }
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  int lit = 0;
  for (int y = 0; y < height(); y += 10)
    for (int x = 0; x < width(); x += 10) lit += (pixelAt(x, y) & 0xffffff) != 0;
  EXPECT_GT(lit, 20);
}

}  // namespace
