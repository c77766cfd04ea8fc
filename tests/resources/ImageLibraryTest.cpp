// Image decoding, the extension rule, widening and nearest-neighbour scaling, and hostile files.
#include "ImageFixtures.h"
#include "ImageLibrary.h"
#include "ReportCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <string>
#include <turbojpeg.h>

namespace {

using ImagePtr = std::unique_ptr<ImageData>;

ImagePtr decodeAs(ImageLibrary::FileType type, const Bytes& bytes) {
  return ImagePtr(ImageLibrary::decode(type, bytes.data(), bytes.size()));
}

Bytes bytesOf(const ImageData& image) { return Bytes(image.pixels, image.pixels + image.dataSize); }

// Deterministic non-trivial sample bytes.
Bytes pattern(size_t count, uint8_t seed) {
  Bytes b(count);
  for (size_t i = 0; i < count; ++i) b[i] = uint8_t(seed + i * 37 + (i >> 3));
  return b;
}

// ---- PNG -----------------------------------------------------------------------------------

struct PngCase {
  const char* label;
  int colorType;
  int bitDepth;
  int channels;
  uint32_t expectedBits;
};

class PngDecodeTest : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngDecodeTest, DeliversTheFileSamplesUnchangedTopRowFirst) {
  const PngCase& c = GetParam();
  const uint32_t width = 5, height = 3;
  const size_t rowBytes = size_t(width) * c.channels * c.bitDepth / 8;
  Bytes pixels = pattern(rowBytes * height, 11);
  Bytes palette;
  if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
    palette = pattern(256 * 3, 3);
    for (uint8_t& p : pixels) p &= 0x0F;  // indices inside a 16-entry range
  }
  for (bool interlaced : {false, true}) {
    const Bytes file = encodePng(width, height, c.colorType, c.bitDepth, pixels, palette, interlaced);
    ASSERT_FALSE(file.empty());
    ImagePtr image = decodeAs(ImageLibrary::FileType::Png, file);
    ASSERT_TRUE(image) << c.label << " interlaced " << interlaced;
    EXPECT_EQ(image->width, width);
    EXPECT_EQ(image->height, height);
    EXPECT_EQ(image->bitsPerPixel, c.expectedBits) << c.label;
    EXPECT_EQ(image->compressedFormat, 0u);
    EXPECT_EQ(image->mipmapCount, 0u);
    EXPECT_EQ(bytesOf(*image), pixels) << c.label << " interlaced " << interlaced;
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllColourTypes, PngDecodeTest,
    ::testing::Values(PngCase{"rgb8", PNG_COLOR_TYPE_RGB, 8, 3, 24}, PngCase{"rgba8", PNG_COLOR_TYPE_RGBA, 8, 4, 32},
                      PngCase{"palette8", PNG_COLOR_TYPE_PALETTE, 8, 1, 8},
                      PngCase{"grey8", PNG_COLOR_TYPE_GRAY, 8, 1, 8},
                      PngCase{"greyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2, 16},
                      PngCase{"grey16", PNG_COLOR_TYPE_GRAY, 16, 1, 16},
                      PngCase{"rgb16", PNG_COLOR_TYPE_RGB, 16, 3, 48},
                      PngCase{"rgba16", PNG_COLOR_TYPE_RGBA, 16, 4, 64}),
    [](const ::testing::TestParamInfo<PngCase>& info) { return std::string(info.param.label); });

// ---- JPEG ----------------------------------------------------------------------------------

TEST(JpegDecode, GreyFileGivesThreeEqualChannelsPerPixel) {
  const uint32_t width = 8, height = 8;
  Bytes grey(width * height);
  for (uint32_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 4);
  ImagePtr image = decodeAs(ImageLibrary::FileType::Jpeg, encodeJpeg(width, height, true, grey));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->bitsPerPixel, 24u);
  EXPECT_EQ(image->dataSize, size_t(width) * 3 * height);
  for (uint32_t i = 0; i < width * height; ++i) {
    const uint8_t* p = image->pixels + i * 3;
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    EXPECT_NEAR(p[0], grey[i], 3) << "pixel " << i;
  }
}

TEST(JpegDecode, ColourFileGivesRedGreenBlueOrderTopRowFirst) {
  const uint32_t width = 16, height = 16;
  Bytes rgb(width * height * 3);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(y * width + x) * 3];
      p[0] = y < 8 ? 250 : 0;  // top half red, bottom half blue
      p[1] = 0;
      p[2] = y < 8 ? 0 : 250;
    }
  ImagePtr image = decodeAs(ImageLibrary::FileType::Jpeg, encodeJpeg(width, height, false, rgb));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->bitsPerPixel, 24u);
  const uint8_t* top = image->pixels + (2 * width + 3) * 3;
  const uint8_t* bottom = image->pixels + (13 * width + 3) * 3;
  EXPECT_GT(top[0], 240);
  EXPECT_LT(top[2], 15);
  EXPECT_LT(bottom[0], 15);
  EXPECT_GT(bottom[2], 240);
}

TEST(JpegDecode, RowsArePaddedToFourBytes) {
  // 5 x 3 bytes = 15 per row, padded to 16.
  const uint32_t width = 5, height = 2;
  Bytes rgb(width * height * 3, 0);
  for (uint32_t x = 0; x < width; ++x) rgb[(width + x) * 3 + 2] = 255;  // second row blue
  ImagePtr image = decodeAs(ImageLibrary::FileType::Jpeg, encodeJpeg(width, height, false, rgb));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->dataSize, 16u * height);
  const uint8_t* secondRow = image->pixels + 16;
  EXPECT_GT(secondRow[2], 200);
  EXPECT_LT(secondRow[0], 40);
}

// Four-channel (CMYK) files: the decoder cannot turn them into RGBA, so they give null.
TEST(JpegDecode, FourChannelFileGivesNull) {
  const int width = 8, height = 8;
  Bytes cmyk(width * height * 4, 0x40);
  tjhandle encoder = tjInitCompress();
  ASSERT_NE(encoder, nullptr);
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(encoder, cmyk.data(), width, 0, height, TJPF_CMYK, &jpeg, &size, TJSAMP_444, 95, 0), 0);
  const Bytes file(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(encoder);
  EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Jpeg, file));
}

// ---- DDS -----------------------------------------------------------------------------------

class DdsDecodeTest : public ::testing::Test {
 protected:
  Bytes dds(const std::string& compression, int mipmaps, uint32_t size = 256) {
    return makeDds(size, size, quadrantPicture(size, size), compression, mipmaps, _dir.path());
  }
  TempDir _dir;
};

constexpr size_t kDdsDataOffset = 128;
constexpr size_t kLinearSizeOffset = 4 + 16;
constexpr size_t kMipmapCountOffset = 4 + 24;
constexpr size_t kFourCCOffset = 4 + 80;

TEST_F(DdsDecodeTest, SingleLevelReadsExactlyTheLinearSize) {
  Bytes file = dds("dxt1", 1);
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(getLe32(file, kMipmapCountOffset), 1u);
  const uint32_t linear = getLe32(file, kLinearSizeOffset);
  ASSERT_EQ(linear, 256u / 4 * 256 / 4 * 8);
  file.resize(file.size() + 1000, 0xAB);  // trailing bytes are not part of the image
  ImagePtr image = decodeAs(ImageLibrary::FileType::Dds, file);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 256u);
  EXPECT_EQ(image->height, 256u);
  EXPECT_EQ(image->bitsPerPixel, 24u);
  EXPECT_EQ(image->compressedFormat, 0x83F1u);
  EXPECT_EQ(image->mipmapCount, 1u);
  EXPECT_EQ(image->dataSize, linear);
  EXPECT_EQ(0, std::memcmp(image->pixels, file.data() + kDdsDataOffset, linear));
}

TEST_F(DdsDecodeTest, NineLevelsReadUpToTwiceTheLinearSize) {
  Bytes file = dds("dxt5", 9);
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(getLe32(file, kMipmapCountOffset), 9u);
  const uint32_t linear = getLe32(file, kLinearSizeOffset);
  const size_t chain = file.size() - kDdsDataOffset;  // 256..1: all nine levels
  ASSERT_GT(chain, linear);
  ASSERT_LT(chain, 2u * linear);

  ImagePtr image = decodeAs(ImageLibrary::FileType::Dds, file);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->bitsPerPixel, 32u);
  EXPECT_EQ(image->compressedFormat, 0x83F3u);
  EXPECT_EQ(image->mipmapCount, 9u);
  EXPECT_EQ(image->dataSize, chain);  // the file holds less than the doubled bound

  file.resize(kDdsDataOffset + 3 * size_t(linear), 0);
  image = decodeAs(ImageLibrary::FileType::Dds, file);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->dataSize, 2u * linear);  // never more than the doubled bound
}

TEST_F(DdsDecodeTest, FourCharacterCodesOtherThanDxt135AreRejected) {
  const Bytes base = dds("dxt5", 1, 64);
  ASSERT_FALSE(base.empty());
  struct Code {
    const char* fourCC;
    bool accepted;
    uint32_t format;
  };
  for (const Code& c : {Code{"DXT1", true, 0x83F1}, Code{"DXT2", false, 0}, Code{"DXT3", true, 0x83F2},
                        Code{"DXT4", false, 0}, Code{"DXT5", true, 0x83F3}, Code{"dxt5", false, 0},
                        Code{"ATI2", false, 0}, Code{"\0\0\0\0", false, 0}}) {
    Bytes file = base;
    std::memcpy(&file[kFourCCOffset], c.fourCC, 4);
    ImagePtr image = decodeAs(ImageLibrary::FileType::Dds, file);
    EXPECT_EQ(bool(image), c.accepted) << c.fourCC;
    if (image) {
      EXPECT_EQ(image->compressedFormat, c.format);
    }
  }
}

TEST_F(DdsDecodeTest, UncompressedDdsIsRejected) {
  const Bytes file = dds("none", 1, 16);
  ASSERT_FALSE(file.empty());
  EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Dds, file));
}

// ---- Extension rule and loading by name -----------------------------------------------------

TEST(ImageFileType, LastFourCharactersCaseSensitivePairs) {
  using T = ImageLibrary::FileType;
  struct Case {
    const char* name;
    T type;
  };
  for (const Case& c : {Case{"a.png", T::Png}, Case{"a.PNG", T::Png}, Case{"a.Png", T::Unknown},
                        Case{"a.pNG", T::Unknown}, Case{"a.dds", T::Dds}, Case{"a.DDS", T::Dds},
                        Case{"a.Dds", T::Unknown}, Case{"a.jpg", T::Jpeg}, Case{"a.JPG", T::Jpeg},
                        Case{"a.Jpg", T::Unknown}, Case{"a.jpeg", T::Unknown}, Case{"a.JPEG", T::Unknown},
                        Case{".png", T::Png}, Case{"png", T::Unknown}, Case{"", T::Unknown},
                        Case{"dir.png/file", T::Unknown}, Case{"a.png ", T::Unknown}, Case{"xpng", T::Unknown}}) {
    EXPECT_EQ(ImageLibrary::fileTypeOf(c.name), c.type) << '"' << c.name << '"';
  }
  EXPECT_EQ(ImageLibrary::fileTypeOf(nullptr), T::Unknown);
}

TEST(ImageLoad, ReadsDirectoryPlusNameAndPicksTheDecoderByTheName) {
  TempDir dir;
  const Bytes png = encodePng(2, 2, PNG_COLOR_TYPE_RGB, 8, pattern(12, 1));
  for (const char* name : {"pic.png", "pic.PNG", "pic.Png", "pic.jpeg"})
    ASSERT_TRUE(writeBytes(dir.path() + "/" + name, png));
  ASSERT_TRUE(writeBytes(dir.path() + "/jpgpic.JPG", encodeJpeg(4, 4, true, Bytes(16, 90))));

  const std::string prefix = dir.path() + "/";  // the directory is a prefix: no separator added
  ImagePtr upper(ImageLibrary::loadImage("pic.PNG", prefix.c_str()));
  ASSERT_TRUE(upper);
  EXPECT_EQ(upper->bitsPerPixel, 24u);
  EXPECT_TRUE(ImagePtr(ImageLibrary::loadImage("pic.png", prefix.c_str())));
  EXPECT_TRUE(ImagePtr(ImageLibrary::loadImage((prefix + "pic.png").c_str(), "")));
  EXPECT_TRUE(ImagePtr(ImageLibrary::loadImage((prefix + "pic.png").c_str(), nullptr)));
  EXPECT_TRUE(ImagePtr(ImageLibrary::loadImage("jpgpic.JPG", prefix.c_str())));
  EXPECT_FALSE(ImagePtr(ImageLibrary::loadImage("pic.Png", prefix.c_str())));   // mixed case
  EXPECT_FALSE(ImagePtr(ImageLibrary::loadImage("pic.jpeg", prefix.c_str())));  // four-letter JPEG
  EXPECT_FALSE(ImagePtr(ImageLibrary::loadImage("pic.png", dir.path().c_str())));  // no slash added
  EXPECT_FALSE(ImagePtr(ImageLibrary::loadImage("missing.png", prefix.c_str())));
  // Content that does not match the extension fails in that extension's decoder.
  ASSERT_TRUE(writeBytes(dir.path() + "/png_as.jpg", png));
  EXPECT_FALSE(ImagePtr(ImageLibrary::loadImage("png_as.jpg", prefix.c_str())));
}

// ---- Hostile and damaged files -------------------------------------------------------------

// Every prefix of a good file (and a few corruptions) must decode to null or to a consistent
// record, without reading outside the bytes (run under the sanitizer build to see reads).
void expectEveryPrefixIsSafe(ImageLibrary::FileType type, const Bytes& file) {
  for (size_t length = 0; length < file.size(); ++length) {
    Bytes prefix(file.begin(), file.begin() + length);
    ImagePtr image = decodeAs(type, prefix);
    if (image) {
      EXPECT_LE(image->dataSize, std::max<size_t>(prefix.size(), 1) * 4096 + (16u << 20));
    }
  }
}

TEST(HostileImages, TruncatedPngsGiveNull) {
  const Bytes file = encodePng(16, 16, PNG_COLOR_TYPE_RGBA, 8, pattern(16 * 16 * 4, 5));
  for (size_t length = 0; length < file.size() - 12; ++length) {  // the last 12 bytes are IEND
    Bytes prefix(file.begin(), file.begin() + length);
    EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Png, prefix)) << "length " << length;
  }
}

TEST(HostileImages, CorruptPngBytesGiveNullOrAConsistentImage) {
  const Bytes file = encodePng(16, 16, PNG_COLOR_TYPE_RGB, 8, pattern(16 * 16 * 3, 9));
  for (size_t at = 0; at < file.size(); ++at) {
    Bytes bad = file;
    bad[at] ^= 0x5A;
    ImagePtr image = decodeAs(ImageLibrary::FileType::Png, bad);
    if (image) {
      EXPECT_EQ(image->dataSize, size_t(image->width) * image->height * image->bitsPerPixel / 8);
    }
  }
}

// A PNG whose header claims a huge image over a tiny body: rejected before allocating.
TEST(HostileImages, PngClaimingAHugeImageGivesNull) {
  Bytes file = encodePng(4, 4, PNG_COLOR_TYPE_RGBA, 8, pattern(64, 2));
  // IHDR data starts at 16 (8 signature + 4 length + 4 type); CRC follows its 13 bytes.
  auto putBe32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (24 - 8 * i));
  };
  for (uint32_t side : {100000u, 1000000u, 0x7FFFFFFFu}) {
    putBe32(16, side);
    putBe32(20, side);
    putBe32(29, uint32_t(crc32(crc32(0, nullptr, 0), &file[12], 17)));
    EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Png, file)) << side;
  }
}

TEST(HostileImages, TruncatedAndCorruptJpegsAreSafe) {
  Bytes rgb = pattern(24 * 24 * 3, 4);
  const Bytes file = encodeJpeg(24, 24, false, rgb);
  expectEveryPrefixIsSafe(ImageLibrary::FileType::Jpeg, file);
  EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Jpeg, Bytes(file.begin(), file.begin() + file.size() / 2)));
  for (size_t at = 0; at < file.size(); at += 3) {
    Bytes bad = file;
    bad[at] ^= 0xFF;
    decodeAs(ImageLibrary::FileType::Jpeg, bad);  // null or a picture; no crash either way
  }
}

TEST(HostileImages, JpegClaimingAHugeImageGivesNull) {
  Bytes file = encodeJpeg(8, 8, false, pattern(8 * 8 * 3, 1));
  // Find the SOF0 marker (FF C0): length(2) precision(1) height(2) width(2).
  size_t sof = 0;
  for (size_t i = 2; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  ASSERT_NE(sof, 0u);
  file[sof + 5] = 0xFF, file[sof + 6] = 0xF0;  // height 65520
  file[sof + 7] = 0xFF, file[sof + 8] = 0xF0;  // width 65520
  EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Jpeg, file));
}

TEST_F(DdsDecodeTest, DamagedHeadersGiveNull) {
  const Bytes good = dds("dxt1", 1, 64);
  ASSERT_FALSE(good.empty());
  const uint32_t linear = getLe32(good, kLinearSizeOffset);
  struct Damage {
    const char* label;
    size_t offset;
    uint32_t value;
  };
  for (const Damage& d : {Damage{"zero linear size", kLinearSizeOffset, 0}, Damage{"zero height", 4 + 8, 0},
                          Damage{"zero width", 4 + 12, 0}, Damage{"huge height", 4 + 8, 0x40000000},
                          Damage{"huge width", 4 + 12, 0xFFFFFFFF}, Damage{"bad magic", 0, 0x20534444 ^ 1}}) {
    Bytes file = good;
    putLe32(file, d.offset, d.value);
    EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Dds, file)) << d.label;
  }
  // A header promising more data than the file holds keeps only what is there, and only if
  // level 0 is complete.
  Bytes file = good;
  putLe32(file, kLinearSizeOffset, 0xFFFFFFFFu);
  ImagePtr image = decodeAs(ImageLibrary::FileType::Dds, file);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->dataSize, linear);
  file.resize(file.size() - 1);
  EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Dds, file));
  for (size_t length = 0; length < kDdsDataOffset; ++length)
    EXPECT_FALSE(decodeAs(ImageLibrary::FileType::Dds, Bytes(good.begin(), good.begin() + length))) << length;
}

// ---- Widening ------------------------------------------------------------------------------

TEST(ConvertTo32Bit, AppendsOpaqueAlphaToEachPixel) {
  ImageData image;
  image.width = 2;
  image.height = 2;
  image.bitsPerPixel = 24;
  const uint8_t rgb[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  image.pixels = static_cast<uint8_t*>(std::malloc(sizeof rgb));
  std::memcpy(image.pixels, rgb, sizeof rgb);
  image.dataSize = sizeof rgb;
  EXPECT_EQ(ImageLibrary::convertTo32Bit(&image), 0);
  EXPECT_EQ(image.bitsPerPixel, 32u);
  EXPECT_EQ(bytesOf(image), (Bytes{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255}));
}

class ConvertTo32BitDeathTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ConvertTo32BitDeathTest, OtherDepthsEndTheProgram) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  const uint32_t bits = GetParam();
  EXPECT_EXIT(
      {
        ImageData image;
        image.width = 4;
        image.height = 4;
        image.bitsPerPixel = bits;
        image.dataSize = 4 * 4 * 8;
        image.pixels = static_cast<uint8_t*>(std::calloc(image.dataSize, 1));
        ImageLibrary::convertTo32Bit(&image);
      },
      ::testing::ExitedWithCode(1), "src/resources/ImageLibrary.cpp:[0-9]+ Image has unsupported bit depth");
}

INSTANTIATE_TEST_SUITE_P(PngDepths, ConvertTo32BitDeathTest, ::testing::Values(8u, 16u, 32u, 48u, 64u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) { return std::to_string(info.param) + "bit"; });

// ---- Scaling -------------------------------------------------------------------------------

// A width x height image of one-byte-per-channel RGB pixels whose red byte is the column and
// green byte the row, so every destination pixel tells which source pixel it came from.
ImageData* coordinateImage(uint32_t width, uint32_t height) {
  ImageData* image = new ImageData;
  image->width = width;
  image->height = height;
  image->bitsPerPixel = 24;
  image->dataSize = size_t(width) * height * 3;
  image->pixels = static_cast<uint8_t*>(std::malloc(image->dataSize));
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = image->pixels + (size_t(y) * width + x) * 3;
      p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 0x5C;
    }
  return image;
}

struct ScaleCase {
  uint32_t oldWidth, newWidth;
  std::vector<int> columns;  // expected source column of every destination column
};

class ScaleColumnsTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleColumnsTest, TakesTheSourceColumnsOfSinglePrecisionSteps) {
  const ScaleCase& c = GetParam();
  ImagePtr image(coordinateImage(c.oldWidth, 2));
  ASSERT_EQ(ImageLibrary::scaleImage(c.newWidth, 2, image.get()), 0);
  ASSERT_EQ(image->width, c.newWidth);
  ASSERT_EQ(image->dataSize, size_t(c.newWidth) * 2 * 3);
  for (uint32_t i = 0; i < c.newWidth; ++i) {
    EXPECT_EQ(image->pixels[i * 3], c.columns[i]) << "column " << i;
    EXPECT_EQ(image->pixels[(c.newWidth + i) * 3 + 1], 1) << "second row";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ScaleColumnsTest,
    ::testing::Values(ScaleCase{3, 4, {0, 0, 1, 2}},   // step 0.75
                      ScaleCase{5, 3, {0, 1, 3}},      // step 1.666..
                      ScaleCase{4, 4, {0, 1, 2, 3}},   // identity
                      ScaleCase{1, 3, {0, 0, 0}},      // one column repeated
                      // 26/22 in single precision is just below 13/11, so column 11 takes 12;
                      // exact or double arithmetic would take 13.
                      ScaleCase{26, 22, {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 14, 15, 16, 17, 18, 20, 21, 22, 23, 24}}),
    [](const ::testing::TestParamInfo<ScaleCase>& info) {
      return std::to_string(info.param.oldWidth) + "to" + std::to_string(info.param.newWidth);
    });

TEST(ScaleImage, HalvingTakesEverySecondPixelOfEverySecondRow) {
  ImagePtr image(coordinateImage(256, 256));
  ASSERT_EQ(ImageLibrary::scaleImage(128, 128, image.get()), 0);
  EXPECT_EQ(image->width, 128u);
  EXPECT_EQ(image->height, 128u);
  for (uint32_t y = 0; y < 128; ++y)
    for (uint32_t x = 0; x < 128; ++x) {
      const uint8_t* p = image->pixels + (y * 128 + x) * 3;
      ASSERT_EQ(p[0], uint8_t(2 * x));
      ASSERT_EQ(p[1], uint8_t(2 * y));
      ASSERT_EQ(p[2], 0x5C);
    }
}

TEST(ScaleImage, KeepsFourBytePixelsWhole) {
  ImageData image;
  image.width = 2;
  image.height = 1;
  image.bitsPerPixel = 32;
  const uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  image.pixels = static_cast<uint8_t*>(std::malloc(8));
  std::memcpy(image.pixels, rgba, 8);
  image.dataSize = 8;
  ASSERT_EQ(ImageLibrary::scaleImage(4, 2, &image), 0);
  EXPECT_EQ(bytesOf(image), (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8,  //
                                   1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8}));
}

TEST(ScaleImage, NullImageIsReportedAndReturnsOne) {
  ReportCapture capture;
  EXPECT_EQ(ImageLibrary::scaleImage(4, 4, nullptr), 1);
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_TRUE(capture.contains("src/resources/ImageLibrary.cpp:"));
  EXPECT_TRUE(capture.contains(" no image to scale"));
}

}  // namespace
