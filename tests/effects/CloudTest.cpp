// Cloud: how many sprites "Num" asks for, nothing without the dot picture, and the sprites
// drawn with it.
#include <png.h>

#include <cmath>
#include <limits>
#include <string>

#include "Cloud.h"
#include "EffectPixelFixture.h"
#include "ImageFixtures.h"
#include "TempDir.h"
#include "TextureManager.h"

namespace {

class CloudTest : public EffectPixelFixture {
 protected:
  static void setNum(Cloud& cloud, float num) {
    static_cast<FloatVariable*>(cloud.findVariable("Num"))->setCurrentValue(num);
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

// Runs first in this file: the dot picture is not loaded yet in this process.
TEST_F(CloudTest, WithoutTheDotPictureNothingIsDrawn) {
  if (TextureManager::getInstance().findTexture(Cloud::kDotImage)) GTEST_SKIP() << "dot picture already loaded";
  TempDir folder(true);  // no data/images/dot.png here
  Cloud cloud;
  cloud.start(0);
  clearWindow(0, 0, 0);
  cloud.update(100);
  cloud.render(100);
  EXPECT_EQ(cloud.getDrawnSprites(), 0);
  EXPECT_EQ(litPixels(), 0);
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

}  // namespace
