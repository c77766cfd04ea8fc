// GridExp: the modes write only the interior, the ripple keeps its centre flat, "Anim" changes
// reset the grid, the picture comes from the linked effect or a texture event, and the grid's
// outline on the screen follows the perspective.
#include <cmath>
#include <limits>
#include <vector>

#include "EffectPixelFixture.h"
#include "GridExp.h"
#include "IntVariable.h"
#include "Texture.h"

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

// A picture named in the setup section is the grid's picture at once; the last one named wins.
TEST_F(GridExpTest, DatafileLinesLoadThePictureBeforeTheShow) {
  GridExp grid;
  EXPECT_EQ(grid.getTexture(), nullptr);
  grid.addString(0, RK17_BINARY_DIR "/generated/data/images/plasma.png");
  const Texture* plasma = grid.getTexture();
  ASSERT_NE(plasma, nullptr);
  EXPECT_EQ(plasma->getWidth(), 512);
  grid.addString(0, RK17_BINARY_DIR "/generated/data/images/grid.png");
  EXPECT_NE(grid.getTexture(), nullptr);
  EXPECT_NE(grid.getTexture(), plasma);
  grid.addString(1000, RK17_BINARY_DIR "/generated/data/images/plasma.png");  // not its list
  EXPECT_NE(grid.getTexture(), plasma);
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

// The rest grid steps 0.35 texels of a 512-texel picture per pixel across and 0.49 down (14.8
// pixels per cell): every drawn triangle magnifies, turned or not. 800 texels step 0.77 down,
// within the margin (0.9) unturned, past it turned by 45 degrees (0.55 + 0.55); 1024 step 0.99.
// A vertex at an unknown position fails the six triangles around it.
TEST_F(GridExpTest, TrianglesSortByHowFarTheyStepThroughThePicture) {
  GridExp grid;
  const size_t drawn = size_t(2 * (GridExp::kSize - 1) * (GridExp::kSize - 2));
  struct Case {
    float texels;
    float turn;
    size_t magnified;
  } cases[] = {
      {512.0f, 0.0f, drawn}, {512.0f, 45.0f, drawn}, {800.0f, 0.0f, drawn}, {800.0f, 45.0f, 0}, {1024.0f, 0.0f, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(grid.sortByMagnification(c.texels, c.turn, 800.0f, 600.0f), c.magnified) << c.texels << " " << c.turn;
    EXPECT_EQ(grid.magnifiedTriangles() + grid.otherTriangles(), drawn);
  }
  const_cast<GridExp::Vertex&>(grid.vertexAt(10, 10)).position[0] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(grid.sortByMagnification(512.0f, 0.0f, 800.0f, 600.0f), drawn - 6);
}

// The show's plasma (512 x 512, mipmapped) on the grid in every mode, turned: the triangles that
// magnify it drawn through the plain linear sampler give the same picture to the bit as every
// triangle through the mipmap filter.
TEST_F(GridExpTest, MagnifyingTrianglesLookTheSameWithoutTheMipmapFilter) {
  size_t magnified = 0, others = 0;
  for (uint32_t mode = 0; mode < 4; ++mode) {
    std::vector<uint32_t> pictures[2];
    for (int path = 0; path < 2; ++path) {
      GridExp::setMagnifyPath(path == 1);
      GridExp grid;
      EffectEvent event;
      event.type = 4;
      event.text = RK17_BINARY_DIR "/generated/data/images/plasma.png";
      grid.handleEvent(event);
      ASSERT_NE(grid.getTexture(), nullptr);
      setAnim(grid, mode);
      static_cast<BoolVariable*>(grid.findVariable("Rotate"))->setCurrentValue(true);
      static_cast<BoolVariable*>(grid.findVariable("Shade"))->setCurrentValue(true);
      clearWindow(0, 0, 0);
      grid.start(0);
      grid.update(30000);  // phase 600: x = 30, the picture turned 30 degrees
      grid.render(30000);
      if (path == 1) {
        magnified += grid.magnifiedTriangles();
        others += grid.otherTriangles();
      }
      pictures[path].resize(size_t(width() * height()));
      glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pictures[path].data());
      GLint sampler = -1;
      glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
      EXPECT_EQ(sampler, 0);
    }
    size_t differ = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) differ += pictures[0][i] != pictures[1][i];
    EXPECT_EQ(differ, 0u) << "mode " << mode;
  }
  GridExp::setMagnifyPath(true);
  EXPECT_GT(magnified, 0u);  // both lists were drawn
  EXPECT_GT(others, 0u);
}

}  // namespace
