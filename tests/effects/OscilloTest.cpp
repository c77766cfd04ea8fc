#include "Oscillo.h"
#include "ReportCapture.h"
#include "SoundCapture.h"
#include "SoundSystem.h"
#include "TestGLContext.h"
#include "VelmorMusic.h"

#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <vector>

namespace {
constexpr int kSize = 256;  // screen and pixel buffer: the overlay maps texels 1:1

// Fills ring block `block` of the program-wide capture with one value (block index = block).
void fillBlocks(const std::vector<int16_t>& values) {
  std::vector<int16_t> samples(2 * SoundSystem::kBlockFrames);
  DspBlock block;
  block.samples = samples.data();
  block.frames = SoundSystem::kBlockFrames;
  block.format = SampleFormat::S16;
  block.mixerType = kMixerTypeS16;
  block.blockLength = SoundSystem::kBlockFrames;
  block.ringLength = SoundSystem::kBlockFrames * SoundSystem::kRingBlocks;
  for (int16_t value : values) {
    std::fill(samples.begin(), samples.end(), value);
    SoundCapture::captureBlock(block, &SoundCapture::instance());
  }
}

// RGBA bytes of the pixel buffer's texture.
std::vector<uint8_t> readTexture(GLuint texture) {
  std::vector<uint8_t> pixels(kSize * kSize * 4);
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return pixels;
}

// Rows (from the bottom) of column x whose red channel differs from background.
std::vector<int> rowsDiffering(const std::vector<uint8_t>& pixels, int x, int background) {
  std::vector<int> rows;
  for (int y = 0; y < kSize; ++y)
    if (pixels[(y * kSize + x) * 4] != background) rows.push_back(y);
  return rows;
}

class OscilloTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { context = new TestGLContext(kSize, kSize); }
  static void TearDownTestSuite() {
    delete context;
    context = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(context->ok());
    setSoundLibrary(&sound);
    ASSERT_TRUE(sound.initOffline());
    ASSERT_TRUE(initSound());  // keeps the offline mode
  }
  void TearDown() override {
    shutdownMusic();
    setSoundLibrary(nullptr);
  }
  static TestGLContext* context;
  SoundSystem sound;
};
TestGLContext* OscilloTest::context = nullptr;

TEST_F(OscilloTest, RegistersItsEightVariablesWithTheirDefaults) {
  Oscillo osc;
  EXPECT_EQ(osc.getName(), "Osc");
  const char* names[] = {"Speed", "SpectrumStr", "Pattern", "Red", "Green", "Blue",
                         "Alpha", "xPos", "yPos", "Width", "Height"};
  const float defaults[] = {1.0f, 1.0f, 1.0f, 0.5f, 0.4f, 0.4f, 0.4f, 0.4f};
  ASSERT_EQ(osc.getVariables().size(), 11u);
  for (size_t i = 0; i < 11; ++i) EXPECT_EQ(osc.getVariables()[i]->getName(), names[i]);
  for (size_t i = 0; i < 8; ++i)
    EXPECT_FLOAT_EQ(static_cast<FloatVariable*>(osc.getVariables()[i + 3])->valueAt(0), defaults[i]) << names[i + 3];
  EXPECT_FALSE(osc.isReady());
  EXPECT_TRUE(osc.getScope().getTarget().isInitialized());
  EXPECT_EQ(osc.getScope().getTarget().getWidth(), 256);
}

TEST_F(OscilloTest, TraceOfTheOldestBlockInItsColourAndTheDarkenedScreen) {
  Oscillo osc;
  osc.start(0);
  ASSERT_TRUE(osc.isReady());
  ASSERT_TRUE(SoundCapture::instance().isRunning());
  // Blocks 0..7 with distinct levels: afterwards the index is 0 and the trace shows block 1,
  // at height (-16000 + 32768) / 65536 = 0.2559 of the buffer: row 65.
  fillBlocks({-24000, -16000, -8000, 0, 8000, 16000, 24000, 30000});
  ASSERT_EQ(SoundCapture::instance().blockIndex(), 0);
  static_cast<FloatVariable*>(osc.findVariable("Red"))->setCurrentValue(1.0f);
  static_cast<FloatVariable*>(osc.findVariable("Green"))->setCurrentValue(0.5f);
  static_cast<FloatVariable*>(osc.findVariable("Blue"))->setCurrentValue(0.0f);
  static_cast<FloatVariable*>(osc.findVariable("Alpha"))->setCurrentValue(0.5f);
  for (const char* name : {"xPos", "yPos"}) static_cast<FloatVariable*>(osc.findVariable(name))->setCurrentValue(0.0f);
  for (const char* name : {"Width", "Height"}) static_cast<FloatVariable*>(osc.findVariable(name))->setCurrentValue(1.0f);

  glViewport(0, 0, kSize, kSize);
  glClearColor(0.8f, 0.8f, 0.8f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  osc.render(0);

  // In the buffer, its own GL state (no blending): the trace colour with its alpha as it is.
  // The blending the effect sets for the screen does not reach inside.
  const std::vector<uint8_t> trace = readTexture(osc.getScope().getTarget().getTexture());
  const std::vector<int> lineRows = rowsDiffering(trace, 128, 0);
  ASSERT_FALSE(lineRows.empty());
  EXPECT_LE(lineRows.size(), 6u);  // a 4-pixel line
  EXPECT_NEAR((lineRows.front() + lineRows.back()) / 2.0, 65.5, 2.0);
  const uint8_t* p = &trace[(lineRows[lineRows.size() / 2] * kSize + 128) * 4];
  EXPECT_NEAR(p[0], 255, 2);
  EXPECT_NEAR(p[1], 128, 2);
  EXPECT_NEAR(p[2], 0, 2);
  EXPECT_NEAR(p[3], 128, 2);
  EXPECT_EQ(trace[(200 * kSize + 128) * 4 + 3], 0);  // cleared elsewhere

  // On the screen: the rectangle covers it; the buffer's first row is at the top, so the trace
  // appears at row 256 - 65.5 from the bottom, the screen scaled by one minus the trace colour.
  std::vector<int> darkRows;
  for (int y = 0; y < kSize; ++y)
    if (redOf(context->readPixel(128, y)) != 204) darkRows.push_back(y);
  ASSERT_FALSE(darkRows.empty());
  EXPECT_NEAR((darkRows.front() + darkRows.back()) / 2.0, kSize - 65.5, 2.0);
  const uint32_t dark = context->readPixel(128, darkRows[darkRows.size() / 2]);
  EXPECT_NEAR(redOf(dark), 0, 2);      // 0.8 x (1 - 1)
  EXPECT_NEAR(greenOf(dark), 102, 2);  // 0.8 x (1 - 0.5)
  EXPECT_NEAR(blueOf(dark), 204, 2);   // 0.8 x (1 - 0)
  const uint32_t clear = context->readPixel(128, 20);
  EXPECT_EQ(redOf(clear), 204);
  EXPECT_EQ(greenOf(clear), 204);

  // End state.
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 3.0f);
  glDisable(GL_TEXTURE_2D);
}

TEST_F(OscilloTest, NotStartedDrawsNothing) {
  Oscillo osc;
  glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_BLEND);
  osc.render(0);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));  // untouched
  glDisable(GL_BLEND);
  for (int y = 0; y < kSize; y += 16) EXPECT_EQ(redOf(context->readPixel(128, y)), 51);
}

TEST_F(OscilloTest, StartTwiceKeepsOneUnitAndDestructionFreesIt) {
  {
    Oscillo osc;
    osc.start(0);
    osc.start(100);
    int32_t created = 0;
    std::vector<DspUnit*> units;
    while (DspUnit* u = sound.createDsp(&SoundCapture::captureBlock, 0, nullptr)) units.push_back(u);
    created = static_cast<int32_t>(units.size());
    EXPECT_EQ(created, SoundSystem::kMaxDspUnits - 1);
    for (DspUnit* u : units) sound.freeDsp(u);
  }
  EXPECT_FALSE(SoundCapture::instance().isRunning());
}

TEST(OscilloNoSoundTest, StartWithoutSoundReportsAndDrawsNothing) {
  TestGLContext context(64, 64);
  ASSERT_TRUE(context.ok());
  shutdownMusic();
  Oscillo osc;
  ReportCapture reports;
  osc.start(0);
  EXPECT_TRUE(reports.contains("Oscillo: sound not inited"));
  EXPECT_FALSE(SoundCapture::instance().isRunning());
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  osc.update(100);
  osc.render(100);  // nothing: the screen keeps its colour
  const uint32_t p = context.readPixel(32, 32);
  EXPECT_NEAR(redOf(p), 64, 1);
  EXPECT_NEAR(greenOf(p), 128, 1);
  EXPECT_NEAR(blueOf(p), 191, 1);
}
}  // namespace
