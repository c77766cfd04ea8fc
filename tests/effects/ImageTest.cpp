// Image and Image2 with small generated PNGs loaded through the texture manager: placement
// events read back on a 4 x 4 grid of probe points, the blend modes, the alpha offset, texture
// selection by string list, events and prepare, and the GL state left behind.
#include <png.h>

#include <memory>
#include <string>
#include <vector>

#include "Image.h"
#include "Image2.h"
#include "ImageFixtures.h"
#include "IntVariable.h"
#include "OverlayFixture.h"
#include "ReportCapture.h"
#include "TempDir.h"
#include "Texture.h"
#include "TextureManager.h"

namespace {

Bytes solidPicture(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b) {
  Bytes rgba;
  for (uint32_t i = 0; i < width * height; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
  return rgba;
}

Rgb colourOf(char code) {
  switch (code) {
    case 'R':
      return {255, 0, 0};
    case 'G':
      return {0, 255, 0};
    case 'B':
      return {0, 0, 255};
    case 'W':
      return {255, 255, 255};
    default:
      return {0, 0, 0};
  }
}

class ImageTest : public OverlayFixture {
 protected:
  static void SetUpTestSuite() {
    OverlayFixture::SetUpTestSuite();
    gDir = new TempDir();
    gQuadrants = writePng("quadrants.png", 64, 64, quadrantPicture(64, 64));
    gWhite = writePng("white.png", 8, 8, solidPicture(8, 8, 255, 255, 255));
    gGreen = writePng("green.png", 8, 8, solidPicture(8, 8, 0, 255, 0));
    gRed = writePng("red.png", 8, 8, solidPicture(8, 8, 255, 0, 0));
  }
  static void TearDownTestSuite() {
    delete gDir;
    gDir = nullptr;
    OverlayFixture::TearDownTestSuite();
  }
  static std::string writePng(const std::string& name, uint32_t width, uint32_t height, const Bytes& rgba) {
    const std::string path = gDir->path() + "/" + name;
    EXPECT_TRUE(writeBytes(path, encodePng(width, height, PNG_COLOR_TYPE_RGBA, 8, rgba)));
    return path;
  }
  // An image effect showing the picture at path (through string list 0, as the script does).
  static void show(Image& image, const std::string& path) { image.addString(0, path); }
  // The 4 x 4 probe grid (cell centres), rows from the top, as colour codes; '?' for others.
  static std::string grid() {
    std::string codes;
    for (int row = 0; row < 4; ++row) {
      if (row) codes += ' ';
      for (int column = 0; column < 4; ++column) {
        const Rgb pixel = pixelAt(0.125f + 0.25f * column, 0.125f + 0.25f * row);
        char code = '?';
        for (char candidate : std::string("RGBWK"))
          if (near(pixel, colourOf(candidate), 3)) code = candidate;
        codes += code;
      }
    }
    return codes;
  }

  inline static TempDir* gDir = nullptr;
  inline static std::string gQuadrants;  // 64 x 64: red, green / blue, white
  inline static std::string gWhite;
  inline static std::string gGreen;
  inline static std::string gRed;
};

struct PlacementCase {
  const char* name;
  std::vector<EffectEvent> events;  // handled after the start at time 0
  uint32_t time;                    // ms; phase = 0.1 x time
  const char* expected;             // probe grid, see ImageTest::grid
};

// The picture is red, green / blue, white. Positions are unit screen units with y upwards;
// rotations are counter-clockwise about the screen centre; scroll y runs downwards.
const PlacementCase kPlacements[] = {
    {"FullScreenUpright", {}, 0, "RRGG RRGG BBWW BBWW"},
    {"PositionMovesRightAndUp", {makeEvent(7, 0.5f, 0.5f, 0.0f)}, 0, "KKBB KKBB KKKK KKKK"},
    {"PositionMovesLeft", {makeEvent(7, -0.5f, 0.0f, 0.0f)}, 0, "GGKK GGKK WWKK WWKK"},
    {"ScaleAboutTheCentre", {makeEvent(9, 0.5f, 0.5f, 1.0f)}, 0, "KKKK KRGK KBWK KKKK"},
    {"ScaleXOnly", {makeEvent(9, 0.5f, 1.0f, 1.0f)}, 0, "KRGK KRGK KBWK KBWK"},
    {"RotationAboutZ", {makeEvent(8, 0.0f, 0.0f, 90.0f)}, 0, "GGWW GGWW RRBB RRBB"},
    {"RotationSpeedTimesPhase", {makeEvent(11, 0.0f, 0.0f, 9.0f)}, 100, "GGWW GGWW RRBB RRBB"},
    {"RotationSpeedCancelsRotation",
     {makeEvent(8, 0.0f, 0.0f, 90.0f), makeEvent(11, 0.0f, 0.0f, -9.0f)},
     100,
     "RRGG RRGG BBWW BBWW"},
    {"RotationAboutYMirrors", {makeEvent(8, 0.0f, 180.0f, 0.0f)}, 0, "GGRR GGRR WWBB WWBB"},
    {"ScaleGrowsWithPhase",
     {makeEvent(9, 0.25f, 0.25f, 1.0f), makeEvent(12, 0.025f, 0.025f, 0.0f)},
     100,
     "KKKK KRGK KBWK KKKK"},
    {"ScaleShrinksWithPhase", {makeEvent(12, 0.05f, 0.05f, 0.0f), makeEvent(24)}, 100, "KKKK KRGK KBWK KKKK"},
    {"ScaleGrowsAgain", {makeEvent(12, 0.05f, 0.05f, 0.0f), makeEvent(24), makeEvent(23)}, 100, "RRGG RRGG BBWW BBWW"},
    {"ScrollX", {makeEvent(10, 0.05f, 0.0f, 0.0f)}, 100, "KKRR KKRR KKBB KKBB"},
    {"ScrollYDownwards", {makeEvent(10, 0.0f, 0.05f, 0.0f)}, 100, "KKKK KKKK RRGG RRGG"},
    {"StartResetsPlacement",
     {makeEvent(7, 0.5f, 0.5f, 0.0f), makeEvent(9, 0.5f, 0.5f, 1.0f), makeEvent(0)},
     0,
     "RRGG RRGG BBWW BBWW"},
};

class ImagePlacementTest : public ImageTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(ImagePlacementTest, ProbeGrid) {
  const PlacementCase& c = GetParam();
  Image image;
  show(image, gQuadrants);
  image.handleEvent(makeEvent(0));
  for (const EffectEvent& e : c.events) image.handleEvent(e);
  image.update(c.time);
  image.render(c.time);
  EXPECT_EQ(grid(), c.expected);
  savePicture(std::string("image-") + c.name + ".png");
}

INSTANTIATE_TEST_SUITE_P(Events, ImagePlacementTest, ::testing::ValuesIn(kPlacements),
                         [](const ::testing::TestParamInfo<PlacementCase>& info) {
                           return std::string(info.param.name);
                         });

struct BlendCase {
  const char* name;
  bool multiply;         // "BlendMultipy"
  bool add;              // "BlendAdd"
  bool reverseSubtract;  // event 30
  bool blendLeftOn;      // an earlier instance left blending on with (ONE, ONE)
  int expected;          // grey level over a 0.6 background
};

// White picture, colour (0.25, 0.25, 0.25, 0.5), background 0.6 (153).
const BlendCase kBlends[] = {
    {"NoneReplaces", false, false, false, false, 64},
    {"NoneKeepsTheEarlierBlending", false, false, false, true, 217},
    {"MultiplyMixesByAlpha", true, false, false, false, 108},
    {"AddAdds", false, true, false, false, 217},
    {"AddWinsOverMultiply", true, true, false, false, 217},
    {"ReverseSubtractTakesSourceFromDestination", false, false, true, false, 89},
    {"ReverseSubtractOverridesMultiply", true, false, true, false, 89},
};

class ImageBlendTest : public ImageTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(ImageBlendTest, CentrePixel) {
  const BlendCase& c = GetParam();
  clearTo(0.6f, 0.6f, 0.6f);
  if (c.blendLeftOn) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
  }
  Image image;
  show(image, gWhite);
  for (const char* channel : {"Red", "Green", "Blue"}) image.findVariable(channel)->setValue(0.25f, 0);
  image.findVariable("Alpha")->setValue(0.5f, 0);
  image.findVariable("BlendMultipy")->setValue(c.multiply ? 1.0f : 0.0f, 0);
  image.findVariable("BlendAdd")->setValue(c.add ? 1.0f : 0.0f, 0);
  image.handleEvent(makeEvent(0));
  image.handleEvent(makeEvent(30, c.reverseSubtract ? 1.0f : 0.0f));
  image.update(0);
  image.render(0);
  const Rgb pixel = pixelAt(0.5f, 0.5f);
  EXPECT_TRUE(near(pixel, Rgb{c.expected, c.expected, c.expected})) << pixel << " expected " << c.expected;

  expectOverlayEndState();
  GLint equation = 0;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_ADD);
}

INSTANTIATE_TEST_SUITE_P(Modes, ImageBlendTest, ::testing::ValuesIn(kBlends),
                         [](const ::testing::TestParamInfo<BlendCase>& info) { return std::string(info.param.name); });

// Alpha offset = alpha factor (event 28) x pulse value (event 5); Image adds it to "Alpha"
// (set to 0 by event 29), Image2 does not. White picture, alpha blending over 0.6.
TEST_F(ImageTest, PulseAlphaOffsetAppliesToImageOnly) {
  struct Case {
    std::unique_ptr<Image> image;
    int expected;
  } cases[2] = {{std::make_unique<Image>(), 204}, {std::make_unique<Image2>(), 153}};
  for (Case& c : cases) {
    clearTo(0.6f, 0.6f, 0.6f);
    Image& image = *c.image;
    show(image, gWhite);
    image.findVariable("BlendMultipy")->setValue(1.0f, 0);
    image.findVariable("SpectrumStr")->setValue(0.5f, 0);
    image.handleEvent(makeEvent(0));
    image.handleEvent(makeEvent(29, 0.0f));
    image.handleEvent(makeEvent(28, 0.25f));
    image.handleEvent(makeEvent(5, 2.0f));
    EXPECT_FLOAT_EQ(image.getPulse(), 1.0f) << image.getName();  // the base's own reaction
    image.update(0);
    image.render(0);
    const Rgb pixel = pixelAt(0.5f, 0.5f);
    EXPECT_TRUE(near(pixel, Rgb{c.expected, c.expected, c.expected})) << image.getName() << " " << pixel;
  }
}

TEST_F(ImageTest, StartClearsTheAlphaOffset) {
  clearTo(0.6f, 0.6f, 0.6f);
  Image image;
  show(image, gWhite);
  image.findVariable("BlendMultipy")->setValue(1.0f, 0);
  image.handleEvent(makeEvent(29, 0.0f));
  image.handleEvent(makeEvent(28, 1.0f));
  image.handleEvent(makeEvent(5, 1.0f));
  image.handleEvent(makeEvent(0));
  image.update(0);
  image.render(0);
  EXPECT_TRUE(near(pixelAt(0.5f, 0.5f), Rgb{153, 153, 153}));
}

TEST_F(ImageTest, LastNamedImageIsShownAndDatafileCountsTheNames) {
  Image image;
  show(image, gRed);
  show(image, gGreen);
  EXPECT_EQ(image.getTexture(), TextureManager::getInstance().findTexture(gGreen));
  EXPECT_EQ(image.findVariable("Datafile")->getCount(), 2u);
  // Names in list 1000 neither load nor count.
  image.addString(1000, gRed);
  EXPECT_EQ(image.getTexture(), TextureManager::getInstance().findTexture(gGreen));
  EXPECT_EQ(image.findVariable("Datafile")->getCount(), 2u);
  image.update(0);
  image.render(0);
  EXPECT_EQ(grid(), "GGGG GGGG GGGG GGGG");
}

TEST_F(ImageTest, PrepareLoadsTheDatafileEntryWhenTheIndexChanges) {
  Image image;
  show(image, gRed);
  show(image, gGreen);
  auto& datafile = static_cast<IntVariable&>(*image.findVariable("Datafile"));
  EXPECT_EQ(image.getLoadedIndex(), -1);
  image.prepare(0);  // index 0 differs from -1
  EXPECT_EQ(image.getTexture(), TextureManager::getInstance().findTexture(gRed));
  EXPECT_EQ(image.getLoadedIndex(), 0);

  image.handleEvent(makeEvent(26, 0.0f, 0.0f, 0.0f, gGreen));
  image.prepare(0);  // same index: the event's texture stays
  EXPECT_EQ(image.getTexture(), TextureManager::getInstance().findTexture(gGreen));

  datafile.replaceKeys({{0, 0.0f}, {1000, 1.0f}, {2000, 1.0f}});
  image.prepare(1500);
  EXPECT_EQ(image.getTexture(), TextureManager::getInstance().findTexture(gGreen));
  EXPECT_EQ(image.getLoadedIndex(), 1);
  image.prepare(500);
  EXPECT_EQ(image.getTexture(), TextureManager::getInstance().findTexture(gRed));

  // An index without an entry: no texture, no out-of-range read.
  datafile.replaceKeys({});
  datafile.setCurrentValue(7);
  image.prepare(0);
  EXPECT_EQ(image.getTexture(), nullptr);
  EXPECT_EQ(image.getLoadedIndex(), 7);
}

TEST_F(ImageTest, TextureEventSwitchesTheImage) {
  Image image;
  show(image, gRed);
  image.handleEvent(makeEvent(26, 0.0f, 0.0f, 0.0f, gGreen));
  image.update(0);
  image.render(0);
  EXPECT_EQ(grid(), "GGGG GGGG GGGG GGGG");
}

// Without a texture (a missing file, an empty name) the quad is drawn untextured in the colour.
TEST_F(ImageTest, MissingImageDrawsTheUntexturedQuad) {
  ReportCapture reports;
  const std::string missing = gDir->path() + "/missing.png";
  struct Case {
    const char* name;
    bool byEvent;
    std::string text;
  } cases[] = {{"MissingFileByName", false, missing}, {"MissingFileByEvent", true, missing}, {"EmptyName", true, ""}};
  for (const Case& c : cases) {
    clearTo(0.0f, 0.0f, 0.0f);
    Image image;
    show(image, gWhite);
    if (c.byEvent)
      image.handleEvent(makeEvent(26, 0.0f, 0.0f, 0.0f, c.text));
    else
      show(image, c.text);
    EXPECT_EQ(image.getTexture(), nullptr) << c.name;
    image.findVariable("Green")->setValue(0.0f, 0);
    image.findVariable("Blue")->setValue(0.0f, 0);
    image.update(0);
    image.render(0);
    EXPECT_EQ(grid(), "RRRR RRRR RRRR RRRR") << c.name;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  }
}

// The quad magnifies when no screen axis steps more than one texel per pixel, by the sum of both
// texture directions (a bound on any norm the GL uses): 512 texels on 800 x 600 pixels.
TEST_F(ImageTest, MagnificationFollowsScaleAndRotation) {
  struct Case {
    const char* name;
    Image::Vec3 rotation, scale;
    bool magnified;
  } cases[] = {
      {"FullScreen", {0, 0, 0}, {1, 1, 1}, true},
      {"OneTexelPerPixel", {0, 0, 0}, {0.64f, 512.0f / 600.0f, 1}, true},
      {"JustBelowOnePerPixel", {0, 0, 0}, {0.63f, 1, 1}, false},
      {"Mirrored", {0, 180, 0}, {-1, 1, 1}, true},
      {"Rotated10", {0, 0, 10}, {1, 1, 1}, true},
      {"Rotated30StepsDiagonally", {0, 0, 30}, {1, 1, 1}, false},  // 0.85 x (cos + sin) > 1
      {"TiltedAboutX", {40, 0, 0}, {1, 1, 1}, false},              // 1.17 x cos 40 < 1 pixel
      {"TiltedAboutXWithRoom", {40, 0, 0}, {1, 1.2f, 1}, true},
      {"EdgeOn", {90, 0, 0}, {1, 1, 1}, false},
      {"ZeroScale", {0, 0, 0}, {0, 1, 1}, false},
      {"NotFinite", {0, 0, 0}, {NAN, 1, 1}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Image::magnifiesEverywhere(c.rotation, c.scale, 800.0f / 512.0f, 600.0f / 512.0f), c.magnified) << c.name;
}

// The show's plasma (512 x 512, mipmapped) drawn with and without the magnification sampler: the
// same picture to the bit, magnified or not, and no sampler left bound.
TEST_F(ImageTest, MagnifiedImageLooksTheSameWithoutTheMipmapFilter) {
  Image image;
  show(image, RK17_BINARY_DIR "/generated/data/images/plasma.png");
  ASSERT_NE(image.getTexture(), nullptr);
  ASSERT_EQ(gContext->width(), 800);
  struct Case {
    const char* name;
    std::vector<EffectEvent> events;
  } cases[] = {{"FullScreen", {}},
               {"OneTexelPerPixel", {makeEvent(9, 0.64f, 512.0f / 600.0f, 1.0f)}},
               {"RotatedAndScrolled", {makeEvent(8, 20.0f, 0.0f, 8.0f), makeEvent(10, 0.013f, 0.007f, 0.0f)}},
               {"RotatedFurther", {makeEvent(8, 0.0f, 0.0f, 30.0f)}},
               {"Minified", {makeEvent(9, 0.5f, 0.5f, 1.0f)}}};
  for (const Case& c : cases) {
    std::vector<uint32_t> pictures[2];
    for (int magnifyPath = 0; magnifyPath < 2; ++magnifyPath) {
      Image::setMagnifyPath(magnifyPath == 1);
      clearTo(0.0f, 0.0f, 0.0f);
      image.start(0);
      for (const EffectEvent& event : c.events) image.handleEvent(event);
      image.update(100);
      image.render(100);
      pictures[magnifyPath].resize(size_t(gContext->width() * gContext->height()));
      glReadPixels(0, 0, gContext->width(), gContext->height(), GL_RGBA, GL_UNSIGNED_BYTE,
                   pictures[magnifyPath].data());
      GLint sampler = -1;
      glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
      EXPECT_EQ(sampler, 0) << c.name;
    }
    size_t differ = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) differ += pictures[0][i] != pictures[1][i];
    EXPECT_EQ(differ, 0u) << c.name;
  }
  Image::setMagnifyPath(true);
}

}  // namespace
