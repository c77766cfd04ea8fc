// GridExp: the modes write only the interior, the ripple keeps its centre flat, "Anim" changes
// reset the grid, the picture comes from the linked effect or a texture event, and the grid's
// outline on the screen follows the perspective.
#include <cmath>

#include "EffectPixelFixture.h"
#include "GridExp.h"
#include "IntVariable.h"

namespace {

class GridExpTest : public EffectPixelFixture {
 protected:
  static void setAnim(GridExp& grid, uint32_t mode) {
    static_cast<IntVariable*>(grid.findVariable("Anim"))->setCurrentValue(mode);
  }
  static bool atRest(const GridExp::Vertex& v) {
    for (int c = 0; c < 3; ++c)
      if (v.position[c] != v.rest[c]) return false;
    return v.uv[0] == v.restUv[0] && v.uv[1] == v.restUv[1];
  }
};

TEST_F(GridExpTest, ModesWriteOnlyTheInteriorRowsAndColumns) {
  const int n = GridExp::kSize;
  for (uint32_t mode = 0; mode < 4; ++mode) {
    GridExp grid;
    grid.runMode(mode, 37.0f, 0);
    int moved = 0;
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        const bool interior = i >= 1 && i <= n - 3 && j >= 1 && j <= n - 3;
        if (!interior) {
          EXPECT_TRUE(atRest(grid.vertexAt(i, j))) << mode << " " << i << "," << j;
        } else {
          moved += !atRest(grid.vertexAt(i, j));
        }
      }
    }
    EXPECT_GT(moved, (n - 3) * (n - 3) / 2) << mode;
  }
}

TEST_F(GridExpTest, RippleKeepsTheCentreVertexAtDepthZeroAndEverythingElseBelow) {
  for (float x : {0.0f, 5.0f, 15.7f, 31.4f, 47.0f, 100.0f}) {
    GridExp grid;
    grid.runMode(1, x, 0);
    EXPECT_EQ(grid.vertexAt(25, 25).position[2], 0.0f) << x;
    float deepest = 0.0f;
    for (int i = 1; i <= GridExp::kSize - 3; ++i) {
      for (int j = 1; j <= GridExp::kSize - 3; ++j) {
        EXPECT_LE(grid.vertexAt(i, j).position[2], 0.0f);
        deepest = std::min(deepest, grid.vertexAt(i, j).position[2]);
      }
    }
    // At x = 0 the depth factor 0.5 sin(0.1 x) is 0: flat. Where the sine is negative the
    // ripple keeps a shallow 0.01 depth instead of vanishing.
    if (x == 0.0f)
      EXPECT_EQ(deepest, 0.0f);
    else
      EXPECT_LT(deepest, 0.0f) << x;
  }
}

TEST_F(GridExpTest, ChangingAnimResetsTheGridAndModesAboveThreeLeaveIt) {
  GridExp grid;
  grid.setSpeed(0.5f);  // phase 0.1 per ms
  grid.start(0);
  setAnim(grid, 0);
  grid.update(1000);
  grid.render(1000);
  const GridExp::Vertex before = grid.vertexAt(10, 10);
  EXPECT_FALSE(atRest(before));
  // Mode 4 runs nothing, but the change first puts every vertex back to rest.
  setAnim(grid, 4);
  grid.update(2000);
  grid.render(2000);
  for (int i = 0; i < GridExp::kSize; i += 7)
    for (int j = 0; j < GridExp::kSize; j += 7) EXPECT_TRUE(atRest(grid.vertexAt(i, j))) << i << "," << j;
  // A keyed change (sampling between keys raises no changed flag) resets the grid too.
  IntVariable& anim = *static_cast<IntVariable*>(grid.findVariable("Anim"));
  anim.replaceKeys({{0, 0.0f}, {2500, 1.0f}, {9000, 1.0f}});
  anim.clearChanged();
  grid.update(2400);
  grid.render(2400);
  EXPECT_FALSE(atRest(grid.vertexAt(10, 10)));
  grid.update(2600);
  grid.render(2600);  // mode 1 keeps x and y at rest
  EXPECT_EQ(grid.vertexAt(10, 10).position[0], grid.vertexAt(10, 10).rest[0]);
  EXPECT_EQ(grid.vertexAt(10, 10).position[1], grid.vertexAt(10, 10).rest[1]);
  setAnim(grid, 4);
  anim.replaceKeys({});
  grid.update(2700);
  grid.render(2700);
  // Without a change the grid stays as the last mode left it.
  grid.runMode(0, 100.0f, 2000);
  const GridExp::Vertex moved = grid.vertexAt(10, 10);
  grid.update(3000);
  grid.render(3000);
  EXPECT_EQ(grid.vertexAt(10, 10).position[2], moved.position[2]);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Flat grid (mode 1 at phase 0) 20 units in front of the eye with a 45 degree field: the grid's
// 20 units wide span, less its last column of cells, covers a known band of the window.
TEST_F(GridExpTest, LinkedPictureCoversTheGridsOutline) {
  GridExp grid;
  PostInputEffect* input = linkInput(grid);
  input->setUniform(1, 0, 0);
  setAnim(grid, 1);
  static_cast<BoolVariable*>(grid.findVariable("Blend"))->setCurrentValue(false);
  grid.setSpeed(0.0f);
  grid.start(0);
  clearWindow(0, 0, 1);
  grid.update(10);
  grid.render(10);
  savePicture("gridexp-flat.png");
  EXPECT_EQ(input->renders, 1);
  const double halfWidth = 20.0 * std::tan(22.5 * 3.14159265358979 / 180.0) * 800.0 / 600.0;  // units
  const double left = 400.0 * (1.0 - 10.0 / halfWidth);
  const double right = 400.0 * (1.0 + (10.0 - 20.0 / 49.0) / halfWidth);
  struct Column {
    double x;
    uint32_t colour;
  };
  const Column columns[] = {{left - 3, rgba(0, 0, 255)},
                            {left + 3, rgba(255, 0, 0)},
                            {400, rgba(255, 0, 0)},
                            {right - 3, rgba(255, 0, 0)},
                            {right + 3, rgba(0, 0, 255)}};
  for (const Column& c : columns) EXPECT_TRUE(colourNear(pixelAt(int(c.x), 300), c.colour, 1)) << c.x;
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint cull = 0;
  glGetIntegerv(GL_CULL_FACE_MODE, &cull);
  EXPECT_EQ(cull, GL_BACK);
}

TEST_F(GridExpTest, TextureEventWithAMissingFileDrawsTheGridUntextured) {
  GridExp grid;
  EffectEvent event;
  event.type = 4;
  event.text = "data/images/no-such-picture.png";
  grid.handleEvent(event);
  EXPECT_EQ(grid.getTexture(), nullptr);
  setAnim(grid, 4);
  static_cast<BoolVariable*>(grid.findVariable("Blend"))->setCurrentValue(false);
  const float green[4] = {0, 1, 0, 1};
  for (int c = 0; c < 4; ++c) static_cast<FloatVariable*>(grid.getVariables()[3 + c])->setCurrentValue(green[c]);
  clearWindow(0, 0, 0);
  glEnable(GL_TEXTURE_2D);  // left on by an earlier effect
  grid.start(0);
  grid.update(0);
  grid.render(0);
  EXPECT_TRUE(colourNear(pixelAt(400, 300), rgba(0, 255, 0), 1));
}

}  // namespace
