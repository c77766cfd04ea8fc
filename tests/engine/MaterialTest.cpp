// Material data: the shade model chosen from the maps present, the transparency rule, and the
// opacity map written into the base image's alpha (with real textures in a GL context).
#include <gtest/gtest.h>
#include <png.h>

#include "GLSuite.h"
#include "ImageFixtures.h"
#include "Material.h"
#include "PBuffer.h"
#include "StandInTextures.h"
#include "TempDir.h"
#include "Texture.h"

namespace {

struct ModelCase {
  const char* name;
  const char* maps;  // b base, s second, r reflection, u bump
  int32_t model;
  bool layer0, layer1, reflection, severalUnits, lit;
};

class ShadeModelTest : public ::testing::TestWithParam<ModelCase> {};

TEST_P(ShadeModelTest, FirstMatchingRowWins) {
  const ModelCase& c = GetParam();
  StandInTextures textures;
  Material m(1, "m");
  for (const char* map = c.maps; *map; ++map) {
    Texture* t = textures.get(std::string(1, *map) + ".png");
    if (*map == 'b') m.setBaseMap(t);
    if (*map == 's') m.setSecondMap(t);
    if (*map == 'r') m.setReflectionMap(t);
    if (*map == 'u') m.setBumpMap(t);
  }
  m.chooseShadeModel();
  EXPECT_EQ(m.shadeModel(), c.model);
  EXPECT_EQ(m.usesLayer0(), c.layer0);
  EXPECT_EQ(m.usesLayer1(), c.layer1);
  EXPECT_EQ(m.generatesReflection(), c.reflection);
  EXPECT_EQ(m.usesSeveralUnits(), c.severalUnits);
  EXPECT_EQ(m.isLit(), c.lit);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShadeModelTest,
                         ::testing::Values(ModelCase{"None", "", 0, false, false, false, false, true},
                                           ModelCase{"Base", "b", 1, true, false, false, false, true},
                                           ModelCase{"BaseSecond", "bs", 5, true, true, false, true, false},
                                           ModelCase{"BaseReflectionSecond", "bsr", 4, true, false, true, true, false},
                                           ModelCase{"Second", "s", 6, false, true, false, false, false},
                                           ModelCase{"ReflectionBump", "ru", 8, false, false, true, true, false},
                                           ModelCase{"Reflection", "r", 2, false, false, true, false, true},
                                           ModelCase{"BumpOnly", "u", 0, false, false, false, false, true}),
                         [](const ::testing::TestParamInfo<ModelCase>& info) { return std::string(info.param.name); });

TEST(MaterialTest, RenderTargetComesAfterEveryMapRow) {
  StandInTextures textures;
  PBuffer target;  // never initialised: the material only keeps it
  Material m(1, "screen");
  m.setRenderTarget(&target);
  EXPECT_EQ(m.shadeModel(), Material::kRenderTargetModel);
  m.chooseShadeModel();
  EXPECT_EQ(m.shadeModel(), Material::kRenderTargetModel);
  EXPECT_FALSE(m.isLit());
  m.setSecondMap(textures.get("light.png"));
  m.chooseShadeModel();
  EXPECT_EQ(m.shadeModel(), 6);
}

TEST(MaterialTest, TransparentIsOpacityBelowOneOrAdditive) {
  Material m(7, "glass");
  EXPECT_FALSE(m.isTransparent());
  m.setAdditive(true);
  EXPECT_TRUE(m.isTransparent());  // additive at full opacity counts
  m.setAdditive(false);
  EXPECT_FALSE(m.isTransparent());
  m.setOpacity(0.5f);
  EXPECT_TRUE(m.isTransparent());
  m.setOpacity(1.0f);
  EXPECT_FALSE(m.isTransparent());
}

using OpacityMapTest = GLSuite<64, 64>;

// An RGBA picture of one colour.
Bytes solid(uint32_t size, uint8_t r, uint8_t g, uint8_t b) {
  Bytes pixels;
  for (uint32_t i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
  return pixels;
}

TEST_F(OpacityMapTest, GreyLevelBecomesTheBaseAlphaOnlyWhenSizesMatch) {
  TempDir dir;
  writeBytes(dir.path() + "/base.png", encodePng(8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, solid(8, 200, 100, 50)));
  writeBytes(dir.path() + "/mask.png", encodePng(8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, solid(8, 30, 60, 91)));
  writeBytes(dir.path() + "/small.png", encodePng(4, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8, solid(4, 0, 0, 0)));
  const std::string folder = dir.path() + "/";
  std::unique_ptr<Texture> base(Texture::loadTexture("base.png", folder.c_str(), GL_TEXTURE_2D));
  std::unique_ptr<Texture> mask(Texture::loadTexture("mask.png", folder.c_str(), GL_TEXTURE_2D));
  std::unique_ptr<Texture> small(Texture::loadTexture("small.png", folder.c_str(), GL_TEXTURE_2D));
  ASSERT_TRUE(base && mask && small);

  Material m(1, "m");
  m.setBaseMap(base.get());
  m.setOpacityMap(small.get());
  EXPECT_TRUE(m.alphaTest());
  EXPECT_EQ(base->getImage()->pixels[3], 255);  // sizes differ: untouched

  m.setOpacityMap(mask.get());
  EXPECT_EQ(m.opacityMap(), mask.get());
  const ImageData& image = *base->getImage();
  EXPECT_EQ(image.pixels[3], (30 + 60 + 91) / 3);
  EXPECT_EQ(image.pixels[(8 * 8 - 1) * 4 + 3], 60);
  EXPECT_EQ(image.pixels[0], 200);  // colour untouched
  // The GL texture was rebuilt from the image: level 0 reads back with the new alpha.
  std::vector<uint8_t> texels(8 * 8 * 4);
  base->bind();
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels[3], 60);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(MaterialTest, OpacityMapWithoutImagesOnlySwitchesTheAlphaTest) {
  StandInTextures textures;
  Material m(1, "m");
  m.setOpacityMap(textures.get("mask.png"));
  EXPECT_TRUE(m.alphaTest());
  m.setBaseMap(textures.get("base.png"));
  m.setOpacityMap(textures.get("mask.png"));  // no images held: nothing to rebuild
  EXPECT_TRUE(m.alphaTest());
}

}  // namespace
