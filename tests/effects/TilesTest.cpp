// Tiles: nine tiles of the buffer's picture; tile k (rows bottom to top, columns left to right)
// grows g = max(1 + 0.02 p - 0.6 k, 1), turning RotSpeed x (g - 1) x 100 degrees, shrinking to 1/g
// and fading to 1 - (g - 1) x FadeSpeed x 10.
#include <cmath>

#include "EffectPixelFixture.h"
#include "Tiles.h"

namespace {

const uint32_t kInput = rgba(255, 128, 0);     // the uniform input picture
const uint32_t kBackground = rgba(0, 0, 255);  // the window below the tiles
const uint32_t kHalf = rgba(128, 64, 128);     // the input at alpha 0.5 over the background

class TilesTest : public EffectPixelFixture {
 protected:
  // Phase p with the default Speed 0.5: local time 10 p ms.
  static void runAtPhase(Tiles& effect, float phase) {
    effect.start(0);
    effect.update(uint32_t(std::lround(phase * 10.0f)));
    effect.render(effect.getCurrentTime());
  }
  // Centre of tile k's cell, as fractions from the top left.
  static float cellCentreX(int k) { return (float(k % 3) + 0.5f) / 3.0f; }
  static float cellCentreFromTop(int k) { return 1.0f - (float(k / 3) + 0.5f) / 3.0f; }
};

TEST_F(TilesTest, AtPhaseZeroAllNineTilesShowThePictureWhole) {
  Tiles effect;
  linkInput(effect)->setQuadrants();
  for (int k = 0; k < Tiles::kTileCount; ++k) EXPECT_FLOAT_EQ(effect.growthAt(k, 0.0f), 1.0f);
  clearWindow(0.5f, 0.5f, 0.5f);
  loadMarkerMatrices(false);  // Tiles draws with the texture matrix as it finds it (identity)
  runAtPhase(effect, 0.0f);
  expectMarkerMatrices(false);
  expectPostEndState();
  savePicture("tiles-p0.png");
  // Every pixel away from the quadrant edges shows the input there; the grey window nowhere.
  int checked = 0;
  for (int y = 2; y < height(); y += 11) {
    for (int x = 2; x < width(); x += 13) {
      if (std::abs(x - width() / 2) < 3 || std::abs(y - height() / 2) < 3) continue;
      const bool left = x < width() / 2, top = y >= height() / 2;
      const uint32_t expected =
          top ? (left ? rgba(255, 0, 0) : rgba(0, 255, 0)) : (left ? rgba(0, 0, 255) : rgba(255, 255, 255));
      ASSERT_TRUE(colourNear(pixelAt(x, y), expected, 1)) << x << ", " << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 3000);
}

// At p = 30 k + 5 tile k has grown to 1.1: turned, shrunk and half faded; the earlier tiles are
// gone (alpha below 0), the later ones still whole.
TEST_F(TilesTest, OnceTileKStartsItTurnsShrinksAndFades) {
  for (int k : {0, 1, 4, 8}) {
    Tiles effect;
    linkInput(effect)->setUniform(1.0f, 0.5f, 0.0f);
    const float phase = 30.0f * float(k) + 5.0f;
    EXPECT_NEAR(effect.growthAt(k, phase), 1.1f, 1e-4f) << k;
    clearWindow(0, 0, 1);
    runAtPhase(effect, phase);
    if (k == 4) savePicture("tiles-k4.png");
    for (int t = 0; t < Tiles::kTileCount; ++t) {
      const uint32_t expected = t < k ? kBackground : t == k ? kHalf : kInput;
      EXPECT_TRUE(colourNear(pixelFromTop(cellCentreX(t), cellCentreFromTop(t)), expected, 2)) << k << " tile " << t;
    }
    // The corners of its cell are uncovered.
    const float left = float(k % 3) / 3.0f, top = 1.0f - float(k / 3 + 1) / 3.0f;
    EXPECT_TRUE(colourNear(pixelFromTop(left + 0.01f, top + 0.01f), kBackground, 1)) << k;
    EXPECT_TRUE(colourNear(pixelFromTop(left + 1.0f / 3 - 0.01f, top + 1.0f / 3 - 0.01f), kBackground, 1)) << k;
  }
}

// RotSpeed 4.5 turns a tile grown to 1.1 by 45 degrees: a diamond about the cell's centre,
// reaching past the unturned tile along the axes and short of it along the diagonals.
TEST_F(TilesTest, AGrowingTileTurnsAboutItsCentre) {
  Tiles effect;
  linkInput(effect)->setUniform(1.0f, 0.5f, 0.0f);
  static_cast<FloatVariable*>(effect.findVariable("RotSpeed"))->setCurrentValue(4.5f);
  static_cast<FloatVariable*>(effect.findVariable("FadeSpeed"))->setCurrentValue(0.0f);  // stays opaque
  clearWindow(0, 0, 1);
  runAtPhase(effect, 125.0f);  // tile 4 (the centre) at 1.1
  savePicture("tiles-turn.png");
  // Only the centre tile matters: tiles 0 to 3 have grown further and shrunk away from it.
  const float half = (1.0f / 1.1f) / 3.0f / 2.0f;  // half side of the shrunk tile, unit screen units
  EXPECT_TRUE(colourNear(pixelFromTop(0.5f + 0.9f * half, 0.5f + 0.9f * half), kBackground, 1));
  EXPECT_TRUE(colourNear(pixelFromTop(0.5f - 0.9f * half, 0.5f - 0.9f * half), kBackground, 1));
  EXPECT_TRUE(colourNear(pixelFromTop(0.5f + 1.05f * half, 0.5f), kInput, 1));
  EXPECT_TRUE(colourNear(pixelFromTop(0.5f, 0.5f - 1.05f * half), kInput, 1));
  EXPECT_TRUE(colourNear(pixelFromTop(0.5f, 0.5f), kInput, 1));
}

}  // namespace
