// Material data: the shade model chosen from the maps present, the transparency rule, and the
// opacity map merged with the base picture into a texture of its own (with real textures in a GL
// context).
#include <gtest/gtest.h>
#include <png.h>

#include "GLSuite.h"
#include "ImageFixtures.h"
#include "Material.h"
#include "PBuffer.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"
#include "StandInTextures.h"
#include "TempDir.h"
#include "Texture.h"
#include "TextureManager.h"
#include "VdgWriter.h"

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

// Level 0 of texture as RGBA bytes.
Bytes levelZero(const Texture& texture) {
  Bytes texels(size_t(texture.getWidth()) * size_t(texture.getHeight()) * 4);
  texture.bind();
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

// Materials of one scene naming one picture, with and without opacity maps: the merged picture
// is a texture of its own, shared by the materials with the same base and opacity files only.
TEST_F(OpacityMapTest, MaterialsOnOnePictureKeepTheirOwnAlpha) {
  TempDir dir;
  writeBytes(dir.path() + "/base.png", encodePng(8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, solid(8, 200, 100, 50)));
  writeBytes(dir.path() + "/mask.png", encodePng(8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, solid(8, 30, 60, 91)));
  writeBytes(dir.path() + "/small.png", encodePng(4, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8, solid(4, 0, 0, 0)));
  const struct {
    const char* name;
    const char* opacityFile;  // null: none
  } materials[] = {{"masked", "mask.png"}, {"plain", nullptr}, {"maskedToo", "mask.png"}, {"smallMask", "small.png"}};
  vdg::VdgWriter w(0, 0, 1);
  std::vector<vdg::MaterialRecord> records;
  for (const auto& m : materials) {
    vdg::MaterialRecord r;
    r.id = int32_t(records.size());
    r.name = m.name;
    r.textures = {{"base.png", 1}};
    if (m.opacityFile) r.textures.push_back({m.opacityFile, 6});
    records.push_back(r);
  }
  w.addMaterials(records);
  ASSERT_TRUE(w.writeFile(dir.path() + "/four.vdg"));
  std::unique_ptr<Scene> scene = SceneLoaderVDG().read(dir.path() + "/four.vdg", dir.path() + "/");
  ASSERT_TRUE(scene);
  const Material& masked = *scene->findMaterial(0);
  const Material& plain = *scene->findMaterial(1);
  const Material& maskedToo = *scene->findMaterial(2);
  const Material& smallMask = *scene->findMaterial(3);
  Texture* file = TextureManager::getInstance().findTexture("base.png");
  ASSERT_TRUE(file);

  EXPECT_EQ(plain.baseMap(), file);
  EXPECT_EQ(smallMask.baseMap(), file);  // sizes differ: no merged picture, only the alpha test
  EXPECT_TRUE(smallMask.alphaTest());
  EXPECT_NE(masked.baseMap(), file);
  EXPECT_EQ(maskedToo.baseMap(), masked.baseMap());
  EXPECT_EQ(masked.opacityMap(), TextureManager::getInstance().findTexture("mask.png"));
  // The file's picture, in its image and in GL, keeps its alpha; the merged one has the mask's grey.
  const Bytes own = levelZero(*file);
  const Bytes merged = levelZero(*masked.baseMap());
  EXPECT_EQ(file->getImage()->pixels[3], 255);
  EXPECT_EQ(own[3], 255);
  EXPECT_EQ(own[(8 * 8 - 1) * 4 + 3], 255);
  EXPECT_EQ(masked.baseMap()->getImage()->pixels[3], (30 + 60 + 91) / 3);
  EXPECT_EQ(merged[3], 60);
  EXPECT_EQ(merged[(8 * 8 - 1) * 4 + 3], 60);
  EXPECT_EQ(merged[0], 200);  // colour untouched
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  scene.reset();
  for (const char* name : {"base.png", "mask.png", "small.png"}) TextureManager::getInstance().forget(name);
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
