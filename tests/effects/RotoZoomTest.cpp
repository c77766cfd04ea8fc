// RotoZoom: the buffer's picture through the zoom 5 sin(0.1 p - pi/2) + 5 (at least 1e-7) and
// the turn RotSpeed x p x 20 degrees about the picture's centre.
#include <cmath>

#include "EffectPixelFixture.h"
#include "RotoZoom.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class RotoZoomTest : public EffectPixelFixture {
 protected:
  // Phase p at local time 1000 ms: Speed = p / 200.
  static void runAtPhase(RotoZoom& effect, float phase) {
    effect.setSpeed(phase / 200.0f);
    effect.start(0);
    effect.update(1000);
    effect.render(1000);
  }
};

// The colour of the quadrant picture at buffer coordinates (u, v), v from the bottom; false when
// the point lies within margin of a quadrant edge.
bool quadrantColour(double u, double v, double margin, uint32_t* colour) {
  u -= std::floor(u);
  v -= std::floor(v);
  for (double edge : {0.0, 0.5, 1.0}) {
    if (std::fabs(u - edge) < margin || std::fabs(v - edge) < margin) return false;
  }
  const bool left = u < 0.5, top = v >= 0.5;
  *colour = top ? (left ? rgba(255, 0, 0) : rgba(0, 255, 0)) : (left ? rgba(0, 0, 255) : rgba(255, 255, 255));
  return true;
}

struct CentreCase {
  float red, green, blue, alpha;
  uint32_t expected;  // the centre patch (yellow) in that colour
};

TEST_F(RotoZoomTest, AtPhaseZeroTheCentreOfThePictureFillsTheScreen) {
  EXPECT_FLOAT_EQ(RotoZoom::zoomAt(0.0f), 1e-7f);
  const CentreCase cases[] = {{1, 1, 1, 1, rgba(255, 255, 0)}, {0.5f, 0.25f, 1, 1, rgba(128, 64, 0)}};
  for (const CentreCase& c : cases) {
    RotoZoom effect;
    PostInputEffect* input = linkInput(effect);
    input->setUniform(0, 0, 1);
    input->patches = {{{0.4f, 0.4f, 0.2f, 0.2f}, {1, 1, 0}}};
    const float colour[4] = {c.red, c.green, c.blue, c.alpha};
    for (int i = 0; i < 4; ++i) static_cast<FloatVariable*>(effect.getVariables()[3 + i])->setCurrentValue(colour[i]);
    clearWindow(0.5f, 0.5f, 0.5f);
    loadMarkerMatrices();
    runAtPhase(effect, 0.0f);
    expectMarkerMatrices();
    expectPostEndState();
    savePicture("rotozoom-p0.png");
    for (float f : {0.01f, 0.5f, 0.99f}) {
      EXPECT_TRUE(colourNear(pixelFromTop(f, f), c.expected, 1)) << f;
      EXPECT_TRUE(colourNear(pixelFromTop(f, 1 - f), c.expected, 1)) << f;
    }
  }
}

// At p = 10 pi the zoom is 10: ten copies of the picture across the screen, turned by
// RotSpeed x 10 pi x 20 degrees.
TEST_F(RotoZoomTest, AtPhaseTenPiTheZoomIsTenAndThePictureTurns) {
  const float phase = float(10.0 * kPi);
  EXPECT_NEAR(RotoZoom::zoomAt(phase), 10.0f, 1e-5f);
  for (float rotSpeed : {0.0f, 0.5f, 0.03f}) {
    RotoZoom effect;
    linkInput(effect)->setQuadrants();
    static_cast<FloatVariable*>(effect.findVariable("RotSpeed"))->setCurrentValue(rotSpeed);
    runAtPhase(effect, phase);
    if (rotSpeed == 0.5f) savePicture("rotozoom-p10pi.png");
    const double angle = double(rotSpeed) * double(effect.getPhase()) * 20.0 * kPi / 180.0;
    const double zoom = RotoZoom::zoomAt(effect.getPhase());
    int checked = 0;
    for (int y = 3; y < height(); y += 17) {
      for (int x = 3; x < width(); x += 19) {
        // Screen (0, 0) at the bottom left carries texture (0, 0).
        const double su = (x + 0.5) / width() - 0.5, sv = (y + 0.5) / height() - 0.5;
        const double u = 0.5 + zoom * (su * std::cos(angle) - sv * std::sin(angle));
        const double v = 0.5 + zoom * (su * std::sin(angle) + sv * std::cos(angle));
        uint32_t expected = 0;
        if (!quadrantColour(u, v, 3.0 / 512.0, &expected)) continue;
        ASSERT_TRUE(colourNear(pixelAt(x, y), expected, 1)) << "RotSpeed " << rotSpeed << " at " << x << ", " << y;
        ++checked;
      }
    }
    EXPECT_GT(checked, 800);
  }
}

}  // namespace
