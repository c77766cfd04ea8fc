// Textures from files and as render targets, the texture manager's sharing, and the refills,
// checked by reading the GL textures back.
#include "ImageFixtures.h"
#include "Random.h"
#include "ReportCapture.h"
#include "TempDir.h"
#include "GLGeneration.h"
#include "GLSuite.h"
#include "TestGLContext.h"
#include "Texture.h"
#include "TextureManager.h"
#include "TextureTools.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

namespace {

class TextureTest : public GLSuite<> {
 protected:
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

  // Writes an RGBA PNG of the given size into the temporary folder; returns its full path.
  std::string writePng(const std::string& name, uint32_t width, uint32_t height, const Bytes& rgba) {
    const std::string path = _dir.path() + "/" + name;
    EXPECT_TRUE(writeBytes(path, encodePng(width, height, PNG_COLOR_TYPE_RGBA, 8, rgba)));
    return path;
  }
  std::string writeQuadrantPng(const std::string& name, uint32_t width, uint32_t height) {
    return writePng(name, width, height, quadrantPicture(width, height));
  }

  static GLint levelParameter(GLenum target, GLint level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(target, level, name, &value);
    return value;
  }
  // Level 0 of the bound 2D texture as RGBA bytes.
  static Bytes readLevel(const Texture& texture, GLint level = 0) {
    texture.bind();
    const GLint w = levelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH);
    const GLint h = levelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT);
    Bytes texels(size_t(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
  }

  TempDir _dir;
};


// ---- File textures: sizes --------------------------------------------------------------------

struct SizeCase {
  uint32_t imageWidth, imageHeight;
  int width, height;
};

class TextureSizeTest : public TextureTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(TextureSizeTest, RoundsToPowersOfTwoNeverWiderThanTall) {
  const SizeCase& c = GetParam();
  const std::string path = writeQuadrantPng("sized.png", c.imageWidth, c.imageHeight);
  std::unique_ptr<Texture> texture(Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->getWidth(), c.width);
  EXPECT_EQ(texture->getHeight(), c.height);
  EXPECT_EQ(texture->getImageWidth(), int(c.imageWidth));
  EXPECT_EQ(texture->getImageHeight(), int(c.imageHeight));
  EXPECT_EQ(texture->getInternalFormat(), GLenum(GL_RGBA));
  ASSERT_NE(texture->getImage(), nullptr);
  EXPECT_EQ(texture->getImage()->width, uint32_t(c.width));  // kept resampled
  EXPECT_EQ(texture->getImage()->height, uint32_t(c.height));
  EXPECT_EQ(texture->getImage()->bitsPerPixel, 32u);
  texture->bind();
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), c.width);
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), c.height);
  // gluBuild2DMipmaps made the whole chain down to 1 x 1.
  int last = 0;
  while (std::max(c.width, c.height) >> (last + 1)) ++last;
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, last, GL_TEXTURE_WIDTH), std::max(1, c.width >> last));
  GLint minFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TextureSizeTest,
                         ::testing::Values(SizeCase{300, 200, 512, 512}, SizeCase{64, 256, 64, 256},
                                           SizeCase{256, 64, 256, 256}, SizeCase{1, 1, 1, 1},
                                           SizeCase{3, 5, 4, 8}, SizeCase{128, 128, 128, 128}),
                         [](const ::testing::TestParamInfo<SizeCase>& info) {
                           return std::to_string(info.param.imageWidth) + "x" + std::to_string(info.param.imageHeight);
                         });

TEST_F(TextureTest, TallImageIsNotResampled) {
  Bytes rgba(64 * 256 * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 7 + (i >> 9));
  const std::string path = writePng("tall.png", 64, 256, rgba);
  std::unique_ptr<Texture> texture(Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D));
  ASSERT_TRUE(texture);
  EXPECT_EQ(readLevel(*texture), rgba);
}

TEST_F(TextureTest, ResampledImageRepeatsSourcePixelsTopRowFirst) {
  // 300 x 200 quadrants: the upload's first row is the image's top row (red | green).
  const std::string path = writeQuadrantPng("q.png", 300, 200);
  std::unique_ptr<Texture> texture(Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D));
  ASSERT_TRUE(texture);
  const Bytes texels = readLevel(*texture);
  auto at = [&](int x, int y) { return &texels[(size_t(y) * 512 + x) * 4]; };
  EXPECT_EQ(at(0, 0)[0], 255);     // top-left red
  EXPECT_EQ(at(511, 0)[1], 255);   // top-right green
  EXPECT_EQ(at(0, 511)[2], 255);   // bottom-left blue
  EXPECT_EQ(at(511, 511)[0], 255); // bottom-right white
  EXPECT_EQ(at(511, 511)[2], 255);
  // Column 255 of 512 comes from source column int(255 * 300/512) = 149: still the left half.
  EXPECT_EQ(at(255, 0)[0], 255);
  EXPECT_EQ(at(256, 0)[1], 255);  // source column 150: the right half
}

TEST_F(TextureTest, RgbImageIsWidenedWithOpaqueAlpha) {
  const std::string path = _dir.path() + "/rgb.png";
  ASSERT_TRUE(writeBytes(path, encodePng(2, 2, PNG_COLOR_TYPE_RGB, 8, Bytes{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120})));
  std::unique_ptr<Texture> texture(Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->getImage()->bitsPerPixel, 32u);
  EXPECT_EQ(readLevel(*texture), (Bytes{10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255}));
}

TEST_F(TextureTest, GreyPngEndsTheProgramThroughTheWidening) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  const std::string path = _dir.path() + "/grey.png";
  ASSERT_TRUE(writeBytes(path, encodePng(4, 4, PNG_COLOR_TYPE_GRAY, 8, Bytes(16, 77))));
  EXPECT_EXIT(
      Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D),
      ::testing::ExitedWithCode(1), "Image has unsupported bit depth");
}

TEST_F(TextureTest, OtherTargetsKeepTheImageButMakeNoGLTexture) {
  const std::string path = writeQuadrantPng("cube.png", 8, 8);
  ReportCapture capture;
  std::unique_ptr<Texture> texture(Texture::loadTexture(path.c_str(), "", GL_TEXTURE_CUBE_MAP));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->getTextureId(), 0u);
  EXPECT_NE(texture->getImage(), nullptr);
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_TRUE(capture.contains("src/resources/Texture.cpp:"));
  EXPECT_TRUE(capture.contains("generateTexture1D is not implemented"));
}

TEST_F(TextureTest, MissingFileGivesNull) {
  ReportCapture capture;
  EXPECT_EQ(Texture::loadTexture((_dir.path() + "/none.png").c_str(), "", GL_TEXTURE_2D), nullptr);
  EXPECT_TRUE(capture.reports().empty());
}

// ---- Compressed textures ----------------------------------------------------------------------

class CompressedTextureTest : public TextureTest {
 protected:
  std::string writeDds(const std::string& name, uint32_t w, uint32_t h, const std::string& compression, int mipmaps,
                       size_t keepBytes = 0, int mipmapCountField = -1) {
    Bytes file = makeDds(w, h, quadrantPicture(w, h), compression, mipmaps, _dir.path());
    EXPECT_FALSE(file.empty());
    if (keepBytes) file.resize(keepBytes);
    if (mipmapCountField >= 0) putLe32(file, 4 + 24, uint32_t(mipmapCountField));
    const std::string path = _dir.path() + "/" + name;
    EXPECT_TRUE(writeBytes(path, file));
    return path;
  }
  // Levels with storage, counted from level 0.
  static int uploadedLevels(const Texture& texture) {
    texture.bind();
    int levels = 0;
    while (levels < 16 && levelParameter(GL_TEXTURE_2D, levels, GL_TEXTURE_WIDTH) > 0) ++levels;
    return levels;
  }
};

struct DdsCase {
  const char* label;
  int mipmaps;         // chain written by ImageMagick (0: full)
  int countField;      // mipmap count written into the header (-1: as written)
  size_t keepBytes;    // file truncated to this size (0: whole)
  int expectedLevels;
};

class DdsUploadTest : public CompressedTextureTest, public ::testing::WithParamInterface<DdsCase> {};

TEST_P(DdsUploadTest, UploadsTheLevelsTheFileHolds) {
  const DdsCase& c = GetParam();
  const std::string path = writeDds("t.dds", 64, 64, "dxt5", c.mipmaps, c.keepBytes, c.countField);
  std::unique_ptr<Texture> texture(Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D));
  ASSERT_TRUE(texture) << c.label;
  EXPECT_EQ(texture->getWidth(), 64);
  EXPECT_EQ(uploadedLevels(*texture), c.expectedLevels) << c.label;
  if (c.expectedLevels > 0) {
    texture->bind();
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT);
    GLint maxLevel = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    EXPECT_EQ(maxLevel, c.expectedLevels - 1);
  }
}

// 64 x 64 DXT5: levels of 4096, 1024, 256, 64, 16, 16, 16 bytes (7 levels, 5488 bytes) after the
// 128-byte header; the reader keeps at most twice the linear size of 4096.
INSTANTIATE_TEST_SUITE_P(
    Chains, DdsUploadTest,
    ::testing::Values(DdsCase{"one level", 1, -1, 0, 1}, DdsCase{"full chain", 0, -1, 0, 7},
                      DdsCase{"count zero", 1, 0, 0, 0},
                      DdsCase{"chain cut after three levels", 0, -1, 128 + 4096 + 1024 + 256 + 8, 3},
                      DdsCase{"count beyond the 1x1 level", 0, 40, 0, 7},
                      DdsCase{"count 9 with one level held", 1, 9, 0, 1}),
    [](const ::testing::TestParamInfo<DdsCase>& info) {
      std::string name = info.param.label;
      for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST_F(CompressedTextureTest, WideDdsKeepsItsSizeAndIsNotResampled) {
  const std::string path = writeDds("wide.dds", 64, 16, "dxt1", 0);
  std::unique_ptr<Texture> texture(Texture::loadTexture(path.c_str(), "", GL_TEXTURE_2D));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->getWidth(), 64);
  EXPECT_EQ(texture->getHeight(), 16);
  EXPECT_EQ(texture->getImage()->width, 64u);
  EXPECT_EQ(uploadedLevels(*texture), 7);  // 64x16 ... 1x1, the short side staying at 1
  texture->bind();
  EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 5, GL_TEXTURE_HEIGHT), 1);
  // Decoded level 0 shows the quadrants, top row first.
  const Bytes texels = readLevel(*texture);
  EXPECT_GT(texels[0], 240);                          // top-left red
  EXPECT_LT(texels[2], 15);
  EXPECT_GT(texels[(size_t(15) * 64 + 0) * 4 + 2], 240);  // bottom-left blue
}

// ---- Render targets ----------------------------------------------------------------------------

struct EmptyCase {
  int width, height;
  int roundedWidth, roundedHeight;
};

class EmptyTextureTest : public TextureTest, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(EmptyTextureTest, RequestedAreaIsGreyOnlyWhenRoundingChangedTheSize) {
  const EmptyCase& c = GetParam();
  std::unique_ptr<Texture> texture(Texture::createRenderTexture(c.width, c.height, GL_TEXTURE_2D, GL_RGBA));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->getWidth(), c.roundedWidth);
  EXPECT_EQ(texture->getHeight(), c.roundedHeight);
  EXPECT_EQ(texture->getImage(), nullptr);
  const Bytes texels = readLevel(*texture);
  ASSERT_EQ(texels.size(), size_t(c.roundedWidth) * c.roundedHeight * 4);
  const bool rounded = c.width != c.roundedWidth || c.height != c.roundedHeight;
  size_t wrong = 0;
  for (int y = 0; y < c.roundedHeight; ++y)
    for (int x = 0; x < c.roundedWidth; ++x) {
      const uint8_t expected = (rounded && x < c.width && y < c.height) ? 127 : 0;
      for (int ch = 0; ch < 4; ++ch) wrong += texels[(size_t(y) * c.roundedWidth + x) * 4 + ch] != expected;
    }
  EXPECT_EQ(wrong, 0u);
  texture->bind();
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_REPEAT);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EmptyTextureTest,
                         ::testing::Values(EmptyCase{800, 600, 1024, 1024}, EmptyCase{3, 3, 8, 8},
                                           EmptyCase{256, 256, 256, 256}, EmptyCase{8, 1024, 8, 1024},
                                           EmptyCase{100, 8, 128, 8}, EmptyCase{512, 300, 512, 512}),
                         [](const ::testing::TestParamInfo<EmptyCase>& info) {
                           return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

TEST_F(TextureTest, EmptyTextureOver1024EndsTheProgram) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  for (auto size : {std::pair<int, int>{1025, 8}, std::pair<int, int>{8, 1025}}) {
    EXPECT_EXIT(
        Texture::createRenderTexture(size.first, size.second, GL_TEXTURE_2D, GL_RGBA),
        ::testing::ExitedWithCode(1), "src/resources/Texture.cpp:[0-9]+ Texture: dimensions too large");
  }
}

TEST_F(TextureTest, DepthTargetIsSquareUnroundedAndBindsAs2D) {
  std::unique_ptr<Texture> texture(Texture::createRenderTexture(100, 7, GL_DEPTH_COMPONENT, GL_RGBA));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->getWidth(), 100);
  EXPECT_EQ(texture->getHeight(), 100);
  glBindTexture(GL_TEXTURE_2D, 0);
  texture->bind();
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(GLuint(bound), texture->getTextureId());
  EXPECT_GT(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_DEPTH_SIZE), 0);
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
}

TEST_F(TextureTest, CubeMapHasSixZeroFacesAndLeavesCubeMappingOff) {
  std::unique_ptr<Texture> texture(Texture::createRenderTexture(16, 99, GL_TEXTURE_CUBE_MAP, GL_RGBA));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->getWidth(), 16);
  EXPECT_EQ(texture->getHeight(), 16);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  texture->bind();
  for (GLenum face = 0; face < 6; ++face) {
    EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_TEXTURE_WIDTH), 16);
    Bytes texels(16 * 16 * 4, 0xEE);
    glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, Bytes(16 * 16 * 4, 0)) << "face " << face;
  }
  GLint wrapR = 0;
  glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, &wrapR);
  EXPECT_EQ(wrapR, GL_CLAMP_TO_EDGE);
}

TEST_F(TextureTest, UnknownRenderTargetGivesNull) {
  EXPECT_EQ(Texture::createRenderTexture(64, 64, GL_TEXTURE_3D, GL_RGBA), nullptr);
}

// ---- The manager ------------------------------------------------------------------------------

TEST_F(TextureTest, ManagerSharesByNameAndCountsUses) {
  const std::string path = writeQuadrantPng("shared.png", 16, 16);
  TextureManager& manager = TextureManager::getInstance();
  EXPECT_EQ(&manager, &TextureManager::getInstance());
  Texture* first = manager.getTexture(path, "", GL_TEXTURE_2D);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(manager.getUseCount(path), 1u);
  EXPECT_EQ(manager.getTexture(path, "", GL_TEXTURE_2D), first);
  EXPECT_EQ(manager.getUseCount(path), 2u);
  // Directory and target are not part of the key.
  EXPECT_EQ(manager.getTexture(path, "no/such/dir/", GL_TEXTURE_CUBE_MAP), first);
  EXPECT_EQ(manager.getUseCount(path), 3u);
  // Names are compared byte-wise: another spelling of the same file is another texture.
  const std::string other = _dir.path() + "/./shared.png";
  Texture* second = manager.getTexture(other, "", GL_TEXTURE_2D);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(manager.getUseCount(other), 1u);
}

// After a new window context the recorded textures name nothing: the next request loads again,
// and the earlier Texture stays valid for whoever holds it.
TEST_F(TextureTest, ManagerLoadsAgainAfterANewWindowContext) {
  const std::string path = writeQuadrantPng("renewed.png", 8, 8);
  TextureManager& manager = TextureManager::getInstance();
  Texture* first = manager.getTexture(path, "", GL_TEXTURE_2D);
  ASSERT_NE(first, nullptr);
  const GLuint firstName = first->getTextureId();
  GLGeneration::advance();
  Texture* second = manager.getTexture(path, "", GL_TEXTURE_2D);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(manager.getUseCount(path), 1u);
  EXPECT_EQ(first->getTextureId(), firstName);
  EXPECT_NE(second->getTextureId(), 0u);
  EXPECT_EQ(manager.getTexture(path, "", GL_TEXTURE_2D), second);
}

TEST_F(TextureTest, ManagerJoinsDirectoryAndName) {
  writeQuadrantPng("joined.png", 8, 8);
  Texture* texture = TextureManager::getInstance().getTexture("joined.png", _dir.path() + "/", GL_TEXTURE_2D);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(TextureManager::getInstance().findTexture("joined.png"), texture);
}

TEST_F(TextureTest, ManagerDoesNotCacheFailedLoadsOrEmptyNames) {
  TextureManager& manager = TextureManager::getInstance();
  const std::string path = _dir.path() + "/later.png";
  EXPECT_EQ(manager.getTexture(path, "", GL_TEXTURE_2D), nullptr);
  EXPECT_EQ(manager.getUseCount(path), 0u);
  writeQuadrantPng("later.png", 8, 8);
  Texture* texture = manager.getTexture(path, "", GL_TEXTURE_2D);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(manager.getUseCount(path), 1u);
  EXPECT_EQ(manager.getTexture("", "", GL_TEXTURE_2D), nullptr);
  EXPECT_EQ(manager.getUseCount(""), 0u);
}

TEST_F(TextureTest, ForgottenNamesAreLoadedAgainAtTheNextRequest) {
  TextureManager& manager = TextureManager::getInstance();
  const std::string path = writeQuadrantPng("forgotten.png", 8, 8);
  ASSERT_NE(manager.getTexture(path, "", GL_TEXTURE_2D), nullptr);
  ASSERT_NE(manager.getTexture(path, "", GL_TEXTURE_2D), nullptr);
  EXPECT_TRUE(manager.forget(path));
  EXPECT_EQ(manager.findTexture(path), nullptr);
  EXPECT_EQ(manager.getUseCount(path), 0u);
  EXPECT_FALSE(manager.forget(path));
  // Loaded afresh: the file has changed size since.
  writeQuadrantPng("forgotten.png", 16, 16);
  Texture* again = manager.getTexture(path, "", GL_TEXTURE_2D);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->getWidth(), 16);
  EXPECT_EQ(manager.getUseCount(path), 1u);
}

TEST_F(TextureTest, ManagerSharesRenderTargetsByName) {
  TextureManager& manager = TextureManager::getInstance();
  Texture* target = manager.createTexture("ShadowMapTexture", 512, 512, GL_DEPTH_COMPONENT, GL_RGBA);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->getTarget(), GLenum(GL_DEPTH_COMPONENT));
  EXPECT_EQ(manager.createTexture("ShadowMapTexture", 64, 64, GL_TEXTURE_2D, GL_RGBA), target);
  EXPECT_EQ(manager.getUseCount("ShadowMapTexture"), 2u);
  EXPECT_EQ(manager.createTexture("unknown target", 64, 64, GL_TEXTURE_3D, GL_RGBA), nullptr);
  EXPECT_EQ(manager.getUseCount("unknown target"), 0u);
}

// ---- Refills ------------------------------------------------------------------------------------

TEST_F(TextureTest, ClearTextureZeroesEveryTexel) {
  std::unique_ptr<Texture> texture(Texture::createRenderTexture(20, 12, GL_TEXTURE_2D, GL_RGBA));
  ASSERT_TRUE(texture);
  TextureTools::clearTexture(texture.get());
  EXPECT_EQ(readLevel(*texture), Bytes(32 * 16 * 4, 0));
}

TEST_F(TextureTest, FillNoiseTakesOneRandomByteForAllFourChannelsOfEachTexel) {
  std::unique_ptr<Texture> texture(Texture::createRenderTexture(8, 16, GL_TEXTURE_2D, GL_RGBA));
  ASSERT_TRUE(texture);
  seedRandom(12345);
  TextureTools::fillNoise(texture.get());
  // The same sequence computed here from the generator's formula.
  uint32_t state = 12345;
  Bytes expected;
  for (int i = 0; i < 8 * 16; ++i) {
    state = state * 214013u + 2531011u;
    const uint8_t v = uint8_t(((state >> 16) & 0x7FFF) & 0xFF);
    expected.insert(expected.end(), {v, v, v, v});
  }
  EXPECT_EQ(readLevel(*texture), expected);
  // The sequence moved on by exactly one value per texel.
  EXPECT_EQ(nextRandom(), int32_t(((state * 214013u + 2531011u) >> 16) & 0x7FFF));
}

TEST_F(TextureTest, RefillsOfNoTextureEndTheProgram) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(TextureTools::clearTexture(nullptr), ::testing::ExitedWithCode(1),
              "src/resources/TextureTools.cpp:[0-9]+ Illegal texture");
  EXPECT_EXIT(TextureTools::fillNoise(nullptr), ::testing::ExitedWithCode(1),
              "src/resources/TextureTools.cpp:[0-9]+ Illegal texture");
}

}  // namespace
