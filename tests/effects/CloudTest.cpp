// Cloud: how many sprites "Num" asks for, nothing without the dot picture, and the sprites
// drawn with it.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "Cloud.h"
#include "EffectPixelFixture.h"
#include "ImageFixtures.h"
#include "Random.h"
#include "TempDir.h"
#include "TextureManager.h"

namespace {

class CloudTest : public EffectPixelFixture {
 protected:
  static void setNum(Cloud& cloud, float num) {
    static_cast<FloatVariable*>(cloud.findVariable("Num"))->setCurrentValue(num);
  }
  static void setFloat(Cloud& cloud, const char* name, float value) {
    static_cast<FloatVariable*>(cloud.findVariable(name))->setCurrentValue(value);
  }
  static std::vector<uint32_t> readWindow() {
    std::vector<uint32_t> pixels(size_t(width()) * size_t(height()));
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
  static int litPixels() {
    int lit = 0;
    for (int y = 0; y < height(); y += 4)
      for (int x = 0; x < width(); x += 4) lit += (pixelAt(x, y) & 0xffffff) != 0;
    return lit;
  }
};

TEST_F(CloudTest, NumChoosesTheShareOfTheSpritesWithinTheirCount) {
  struct NumCase {
    float num;
    int sprites;
  };
  const NumCase cases[] = {{0.0f, 0},
                           {0.5f, 1250},
                           {1.0f, 2500},
                           {0.001f, 2},
                           {2.0f, 2500},
                           {1e30f, 2500},
                           {-0.5f, 0},
                           {std::numeric_limits<float>::quiet_NaN(), 0},
                           {std::numeric_limits<float>::infinity(), 2500}};
  for (const NumCase& c : cases) EXPECT_EQ(Cloud::spriteCount(c.num), c.sprites) << c.num;
}

TEST_F(CloudTest, WithoutTheDotPictureNothingIsDrawn) {
  // An earlier test in this process may have loaded it.
  TextureManager::getInstance().forget(Cloud::kDotImage);
  TempDir folder(true);  // no data/images/dot.png here
  Cloud cloud;
  cloud.start(0);
  clearWindow(0, 0, 0);
  cloud.update(100);
  cloud.render(100);
  EXPECT_EQ(cloud.getDrawnSprites(), 0);
  EXPECT_EQ(litPixels(), 0);
}

// Both paths over the same frames: big dots (magnified, the fast path filters them linearly),
// small ones (minified through the mipmaps), dots crossing from one to the other along the depth,
// bright colours that saturate, some sprites only, and culling left on (which drops the deep
// copies, wound the other way). The dot is a soft disc, so the filtering shows.
TEST_F(CloudTest, FastAndLiteralPathsGiveTheSamePicture) {
  TempDir folder(true);
  if (!TextureManager::getInstance().findTexture(Cloud::kDotImage)) {
    Bytes dot(64 * 64 * 3);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const float dx = (x + 0.5f) / 32.0f - 1.0f, dy = (y + 0.5f) / 32.0f - 1.0f;
        const float r2 = std::min(1.0f, dx * dx + dy * dy);
        for (int c = 0; c < 3; ++c) dot[size_t(3 * (64 * y + x) + c)] = uint8_t(255.0f * (1.0f - r2) * (1.0f - r2));
      }
    const Bytes png = encodePng(64, 64, PNG_COLOR_TYPE_RGB, 8, dot);
    folder.write(Cloud::kDotImage, std::string(png.begin(), png.end()));
  }
  struct PictureCase {
    const char* name;
    float num, dim, depth, red, alpha;
    uint32_t time;
    bool culling;
  };
  const PictureCase cases[] = {{"defaults", 0.3f, 0.3f, 0.5f, 0.1f, 0.3f, 500, false},
                               {"small dots", 1.0f, 0.05f, 0.5f, 0.1f, 0.3f, 500, false},
                               {"near, big", 0.05f, 1.0f, 0.2f, 0.1f, 0.3f, 4000, false},
                               {"bright", 0.1f, 0.3f, 0.5f, 1.0f, 1.0f, 800, false},
                               {"culling", 0.3f, 0.3f, 0.5f, 0.1f, 0.3f, 500, true}};
  for (const PictureCase& c : cases) {
    std::vector<uint32_t> pictures[2];
    for (int fast = 0; fast < 2; ++fast) {
      Cloud::setFastPath(fast == 1);
      seedRandom(7);  // the same paths for both
      Cloud cloud;
      setNum(cloud, c.num);
      setFloat(cloud, "Dim", c.dim);
      setFloat(cloud, "Depth", c.depth);
      setFloat(cloud, "Red", c.red);
      setFloat(cloud, "Alpha", c.alpha);
      cloud.start(0);
      clearWindow(0, 0, 0);
      if (c.culling)
        glEnable(GL_CULL_FACE);
      else
        glDisable(GL_CULL_FACE);  // effects drawn before may leave it on
      cloud.update(c.time);
      cloud.render(c.time);
      glDisable(GL_CULL_FACE);
      EXPECT_EQ(cloud.getDrawnSprites(), Cloud::spriteCount(c.num)) << c.name;
      pictures[fast] = readWindow();
    }
    int worst = 0;
    long lit = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) {
      lit += (pictures[1][i] & 0xffffff) != 0;
      for (int k = 0; k < 4; ++k) {
        const int a = int((pictures[0][i] >> (8 * k)) & 0xff), b = int((pictures[1][i] >> (8 * k)) & 0xff);
        worst = std::max(worst, std::abs(a - b));
      }
    }
    EXPECT_LE(worst, 1) << c.name;
    EXPECT_GT(lit, long(pictures[0].size()) / 50) << c.name;  // the frame shows the cloud
  }
  Cloud::setFastPath(true);
}

TEST_F(CloudTest, DrawsTheShareOfSpritesNumAsksFor) {
  TempDir folder(true);
  Bytes dot(16 * 16 * 3, 255);  // a white square stands in for the dot
  const Bytes png = encodePng(16, 16, PNG_COLOR_TYPE_RGB, 8, dot);
  folder.write(Cloud::kDotImage, std::string(png.begin(), png.end()));
  struct DrawCase {
    float num;
    int sprites;
  };
  const DrawCase cases[] = {{0.0f, 0}, {0.5f, 1250}, {3.0f, 2500}};
  int litBefore = -1;
  for (const DrawCase& c : cases) {
    Cloud cloud;
    setNum(cloud, c.num);
    cloud.start(0);
    clearWindow(0, 0, 0);
    cloud.update(500);
    cloud.render(500);
    EXPECT_EQ(cloud.getDrawnSprites(), c.sprites) << c.num;
    const int lit = litPixels();
    if (c.sprites == 0) {
      EXPECT_EQ(lit, 0);
    } else {
      EXPECT_GT(lit, litBefore) << c.num;  // more sprites cover more of the window
    }
    if (c.num == 0.5f) savePicture("cloud-half.png");
    litBefore = lit;
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
  }
}

// The paths are the instance's own: making another Cloud (which draws new ones) leaves the first
// one's picture as it was.
TEST_F(CloudTest, AnotherInstanceLeavesThePathsAlone) {
  TempDir folder(true);
  const Bytes png = encodePng(16, 16, PNG_COLOR_TYPE_RGB, 8, Bytes(16 * 16 * 3, 255));
  folder.write(Cloud::kDotImage, std::string(png.begin(), png.end()));
  Cloud cloud;
  setNum(cloud, 0.05f);
  cloud.start(0);
  std::vector<uint32_t> pictures[2];
  for (std::vector<uint32_t>& picture : pictures) {
    clearWindow(0, 0, 0);
    cloud.update(500);
    cloud.render(500);
    picture = readWindow();
    Cloud other;
  }
  EXPECT_GT(litPixels(), 0);
  EXPECT_TRUE(pictures[0] == pictures[1]);
}

}  // namespace
