// Mosaic: blocks that are the magnified texels of a 64 x 64 copy of the input, brightened
// truncate(Saturation x 10) times over, each multiplied by a small copy of the whole input (the
// detail buffer, brightened with count 2).
#include <epoxy/gl.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "EffectPixelFixture.h"
#include "Mosaic.h"
#include "ReportCapture.h"

namespace {

class MosaicTest : public EffectPixelFixture {
 protected:
  // Phase p at local time 1000 ms: Speed = p / 200.
  static void runAtPhase(Mosaic& effect, float phase) {
    effect.setSpeed(phase / 200.0f);
    effect.start(0);
    effect.update(1000);
    effect.render(1000);
  }
  static void setFloat(Mosaic& effect, const char* name, float value) {
    static_cast<FloatVariable*>(effect.findVariable(name))->setCurrentValue(value);
  }
};

// Number of doubling quads of the brightening pass for count n: one per q = 2, 4, 8, ... up to n,
// and one more.
struct BrightenCase {
  int32_t count;
  int quads;
};

TEST_F(MosaicTest, BrighteningDoublesOncePerPowerOfTwoUpToTheCountAndOnceMore) {
  const BrightenCase cases[] = {{-5, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {7, 3}, {8, 4}, {INT32_MAX, 31}};
  for (const BrightenCase& c : cases) {
    clearWindow(1.0f / 255.0f, 3.0f / 255.0f, 0.0f);
    glDisable(GL_DEPTH_TEST);
    Mosaic::brighten(c.count);
    const int r = c.quads >= 8 ? 255 : std::min(255, 1 << c.quads);
    const int g = c.quads >= 7 ? 255 : std::min(255, 3 << c.quads);
    EXPECT_TRUE(colourNear(pixelFromTop(0.5f, 0.5f), rgba(r, g, 0), 0)) << "count " << c.count;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  }
}

// A uniform input of 16/255: the detail copy is brightened to 16 x 2^detailQuads, the blocks to
// 16 x 2^quads (at most 255); the screen shows their product. The detail's brightening (count 2)
// runs in the state the input left: after an input that leaves depth test and writes on, as
// effects do, its second quad fails the depth test.
struct SaturationCase {
  float saturation;
  int quads;
  bool inputLeavesDepthTest;
  int detailQuads;
};

TEST_F(MosaicTest, SaturationGivesTheNumberOfDoublingQuadsOfTheBlocks) {
  const SaturationCase cases[] = {{0.0f, 1, false, 2}, {0.1f, 1, false, 2}, {0.2f, 2, false, 2},   {0.3f, 2, false, 2},
                                  {0.4f, 3, false, 2}, {0.8f, 4, false, 2}, {1e30f, 31, false, 2}, {0.4f, 3, true, 1}};
  for (const SaturationCase& c : cases) {
    Mosaic effect;
    PostInputEffect* input = linkInput(effect);
    input->setUniform(16.0f / 255.0f, 16.0f / 255.0f, 16.0f / 255.0f);
    input->leaveDepthTest = c.inputLeavesDepthTest;
    setFloat(effect, "Saturation", c.saturation);
    runAtPhase(effect, 50.0f);
    const int block = std::min(255, 16 << std::min(c.quads, 8));
    const int detail = 16 << c.detailQuads;
    const int expected = int(std::lround(block * detail / 255.0));
    for (float f : {0.1f, 0.5f, 0.9f}) {
      EXPECT_TRUE(colourNear(pixelFromTop(f, 1 - f), rgba(expected, expected, expected), 1))
          << "Saturation " << c.saturation << " at " << f;
    }
  }
}

// The colour of the quadrant input at picture coordinates (u, v), v from the bottom, as 0/1 per
// channel.
void quadrantOf(double u, double v, int rgb[3]) {
  const bool left = u < 0.5, top = v >= 0.5;
  const int colours[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
  const int* c = colours[(top ? 0 : 2) + (left ? 0 : 1)];
  for (int i = 0; i < 3; ++i) rgb[i] = c[i];
}

double fraction(double x) { return x - std::floor(x); }

// Away from block edges and from the edges of the detail copy's quadrants.
bool clearOfEdges(double blockTexel, double detail, double margin) {
  const double b = fraction(blockTexel), d = fraction(detail);
  return b > margin && b < 1 - margin && d > margin && d < 1 - margin && std::fabs(d - 0.5) > margin;
}

// With d = 0.25 the screen spans a quarter of the block buffer: 16 blocks across, each with one
// copy of the whole input. The blocks' texels are those of the 64 x 64 input; the product of the
// block colour and the detail colour follows pixel by pixel.
TEST_F(MosaicTest, BlocksAreEnlargedTexelsEachCarryingACopyOfThePicture) {
  const float phase = (0.25f - 1.0f / 64.0f) / 0.01f;
  for (bool zoomCenter : {true, false}) {
    Mosaic effect;
    linkInput(effect)->setQuadrants();
    static_cast<BoolVariable*>(effect.findVariable("ZoomCenter"))->setCurrentValue(zoomCenter);
    clearWindow(0.5f, 0.5f, 0.5f);
    loadMarkerMatrices();
    runAtPhase(effect, phase);
    expectMarkerMatrices();
    expectPostEndState();
    savePicture(zoomCenter ? "mosaic-centre.png" : "mosaic-corner.png");
    const double d = Mosaic::spanAt(effect.getPhase());
    ASSERT_NEAR(d, 0.25, 1e-6);
    int checked = 0;
    for (int y = 1; y < height(); y += 5) {
      for (int x = 2; x < width(); x += 7) {
        const double u = (x + 0.5) / width(), v = (y + 0.5) / height();
        const double c = 0.5 / 64 + 0.5;
        const double bu = zoomCenter ? c + d * (u - 0.5) : d * u, bv = zoomCenter ? c + d * (v - 0.5) : d * v;
        const double du = zoomCenter ? 0.5 + 64 * d * (u - 0.5) : 64 * d * u;
        const double dv = zoomCenter ? 0.5 + 64 * d * (v - 0.5) : 64 * d * v;
        if (!clearOfEdges(bu * 64, du, 0.08) || !clearOfEdges(bv * 64, dv, 0.08)) continue;
        int block[3], detail[3];
        quadrantOf((std::floor(bu * 64) + 0.5) / 64, (std::floor(bv * 64) + 0.5) / 64, block);
        quadrantOf(fraction(du), fraction(dv), detail);
        const uint32_t expected =
            rgba(255 * block[0] * detail[0], 255 * block[1] * detail[1], 255 * block[2] * detail[2]);
        ASSERT_TRUE(colourNear(pixelAt(x, y), expected, 1)) << "ZoomCenter " << zoomCenter << " at " << x << ", " << y;
        ++checked;
      }
    }
    EXPECT_GT(checked, 4000);
  }
}

// The blocks brightened inside the block buffer (fast) or over the screen (literal) give the same
// picture (the window's alpha, which nothing reads, is not kept): dim patches of many colours, counts from none to saturating, both zoom
// centres, an input that leaves depth test on (the screen pass has it off; so must the fast one).
TEST_F(MosaicTest, FastAndLiteralBrighteningGiveTheSamePicture) {
  struct PathCase {
    const char* name;
    float saturation;
    float phase;
    bool zoomCenter;
    bool inputLeavesDepthTest;
  };
  const PathCase cases[] = {{"show settings", 0.4f, 50.0f, true, true},
                            {"no brightening", 0.0f, 10.0f, true, false},
                            {"count 2, corner", 0.25f, 30.0f, false, false},
                            {"count 7", 0.7f, 80.0f, true, false},
                            {"saturating", 1e30f, 5.0f, false, true}};
  for (const PathCase& c : cases) {
    std::vector<uint32_t> pictures[2];
    for (int fast = 0; fast < 2; ++fast) {
      Mosaic::setFastPath(fast == 1);
      Mosaic effect;
      PostInputEffect* input = linkInput(effect);
      input->background[0] = 3.0f / 255.0f;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          const int k = 8 * y + x;
          input->patches.push_back(PostInputEffect::Patch{
              ScreenRect{x / 8.0f, y / 8.0f, 1.0f / 8.0f, 1.0f / 8.0f},
              {float((k * 7) % 61) / 255.0f, float((k * 13) % 37) / 255.0f, float((k * 29) % 97) / 255.0f}});
        }
      input->leaveDepthTest = c.inputLeavesDepthTest;
      setFloat(effect, "Saturation", c.saturation);
      static_cast<BoolVariable*>(effect.findVariable("ZoomCenter"))->setCurrentValue(c.zoomCenter);
      clearWindow(0.2f, 0.4f, 0.6f);
      glEnable(GL_DEPTH_TEST);  // as effects leave it
      runAtPhase(effect, c.phase);
      expectPostEndState();
      pictures[fast].resize(size_t(width()) * size_t(height()));
      glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pictures[fast].data());
    }
    size_t differing = 0, bright = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) {
      differing += (pictures[0][i] & 0xffffff) != (pictures[1][i] & 0xffffff);
      bright += (pictures[1][i] & 0xff) > 16;
    }
    EXPECT_EQ(differing, 0u) << c.name;
    EXPECT_GT(bright, pictures[0].size() / 20) << c.name;  // the picture is not black
  }
  Mosaic::setFastPath(true);
}

}  // namespace
