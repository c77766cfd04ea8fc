// Blur: the capture, the passes with their taps and weights, the pass count, the glow, the shake,
// the copy path and the fast path's agreement with the literal one; the bad links.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "Blur.h"
#include "DepthOfField.h"
#include "EffectPixelFixture.h"
#include "EffectTable.h"
#include "GlslProgram.h"
#include "GridExp.h"
#include "IntVariable.h"
#include "ReportCapture.h"

namespace {

int channel(uint32_t pixel, int c) { return int((pixel >> (8 * c)) & 0xff); }

class BlurTest : public EffectPixelFixture {
 protected:
  void TearDown() override {
    PBuffer::setRenderDepthTextureMissing(false);
    Blur::setFastPath(true);
    EffectPixelFixture::TearDown();
  }

  static void setBool(Effect& effect, const char* name, bool on) {
    static_cast<BoolVariable*>(effect.findVariable(name))->setCurrentValue(on);
  }
  static void setAmount(Effect& effect, uint32_t amount) {
    static_cast<IntVariable*>(effect.findVariable("BlurAmount"))->setCurrentValue(amount);
  }
  // One frame as the frame loop runs it: the window cleared, update, render.
  static void frame(Effect& effect, uint32_t time) {
    clearWindow(0, 0, 0);
    effect.update(time);
    effect.render(time);
  }
  // Left half white, right half black: the edge shows the shake offset in window pixels.
  // The quad moves with the shake and leaves the window's black behind it.
  static int edgeColumn() {
    int x = 0;
    while (x < width() && channel(pixelAt(x, height() / 2), 0) <= 127) ++x;
    while (x < width() && channel(pixelAt(x, height() / 2), 0) > 127) ++x;
    return x;
  }
  // Literal (0) and fast (1) windows: the same to the bit on llvmpipe; the blur did something.
  // tolerance: the largest difference of a channel allowed.
  static void comparePictures(const std::vector<uint32_t> (&pictures)[2], const ReportCapture& reports,
                              int tolerance = 0);
  static std::vector<uint32_t> readWindow() {
    std::vector<uint32_t> pixels(size_t(width() * height()));
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
};

// The quadrant picture with a yellow patch, big enough that the window's sampling of the
// 1024 x 1024 capture keeps every patch's inside exact.
void quadrantInput(PostInputEffect* input) {
  input->setQuadrants();
  input->patches.push_back({{0.6f, 0.6f, 0.2f, 0.2f}, {1, 1, 0}});
}

struct Probe {
  float fx, fy;  // from the top left
  uint32_t colour;
};
const Probe kQuadrantProbes[] = {{0.25f, 0.25f, rgba(255, 0, 0)},
                                 {0.75f, 0.25f, rgba(0, 255, 0)},
                                 {0.25f, 0.75f, rgba(0, 0, 255)},
                                 {0.55f, 0.9f, rgba(255, 255, 255)},
                                 {0.7f, 0.7f, rgba(255, 255, 0)}};

struct PathCase {
  const char* name;
  bool copyPath;
  bool fast;
};
const PathCase kPaths[] = {{"buffer, fast", false, true}, {"buffer, literal", false, false}, {"copy", true, false}};

TEST_F(BlurTest, WithEverySwitchOffTheInputComesBackUnchanged) {
  for (const PathCase& path : kPaths) {
    PBuffer::setRenderDepthTextureMissing(path.copyPath);
    Blur::setFastPath(path.fast);
    Blur blur;
    EXPECT_EQ(blur.isCopyPath(), path.copyPath) << path.name;
    quadrantInput(linkInput(blur));
    blur.start(0);
    frame(blur, 100);
    expectPostEndState();
    savePicture(path.copyPath ? "blur-off-copy.png" : "blur-off.png");
    for (const Probe& p : kQuadrantProbes)
      EXPECT_TRUE(colourNear(pixelFromTop(p.fx, p.fy), p.colour, 1)) << path.name << " " << p.fx << "," << p.fy;
    EXPECT_EQ(blur.getResult(), nullptr);
  }
}

// A single white texel in a 512 x 512 source, one pass into a 512 x 512 target with weight 1/6:
// every tap moves the picture by a half-integer number of pixels, so a tap lands on two pixels
// with half its weight. Across: a quad moved right by t shows the texel t to the right; down: a
// quad moved down (y-down projection) by t shows it t lower. Units of (weight x 255) / 2.
struct Spread {
  int dx, dy;  // window pixels from the texel, y upwards
  int halves;  // tap halves that land there
};
struct SpreadCase {
  const char* name;
  float step, offset;
  std::vector<Spread> spread;
};

std::vector<SpreadCase> spreadCases() {
  // Pass 1: taps at -2.5 .. 2.5, centred: the cross of 7 pixels in each direction, ends at half.
  SpreadCase first{"pass 1", 1.0f, 2.5f, {}};
  for (int d = -3; d <= 3; ++d) {
    const int halves = (d == -3 || d == 3) ? 1 : 2;
    if (d != 0) {
      first.spread.push_back({d, 0, halves});
      first.spread.push_back({0, d, halves});
    }
  }
  first.spread.push_back({0, 0, 4});
  first.spread.insert(first.spread.end(), {{1, 1, 0}, {-2, 2, 0}, {4, 0, 0}, {0, -4, 0}});
  // Pass 2: taps at -6.5, -3.5, -0.5, 2.5, 5.5, 8.5: not centred, so the spread leans right
  // across and down the screen.
  SpreadCase second{"pass 2", 3.0f, 6.5f, {}};
  for (int d : {-7, -6, -4, -3, -1, 2, 3, 5, 6, 8, 9}) second.spread.push_back({d, 0, 1});
  for (int d : {7, 6, 4, 3, 1, -2, -3, -5, -6, -8, -9}) second.spread.push_back({0, d, 1});
  second.spread.push_back({0, 0, 2});
  second.spread.insert(second.spread.end(), {{1, 0, 0}, {-2, 0, 0}, {0, -1, 0}, {0, 2, 0}, {10, 0, 0}, {0, -10, 0}});
  return {first, second};
}

uint32_t bufferPixel(PBuffer& buffer, int x, int y) {
  uint32_t pixel = 0;
  buffer.enable();
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
  buffer.disable();
  return pixel;
}

TEST_F(BlurTest, OnePassSpreadsASingleTexelIntoItsTapsWithTheirWeights) {
  const int x0 = 200, y0 = 300;
  PBuffer source, target;
  ASSERT_TRUE(source.initialize(512, 512, false));
  ASSERT_TRUE(target.initialize(512, 512, false));
  source.createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR);
  target.createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR);
  source.enable();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(x0, y0, 1, 1);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  source.disable();
  const float weight = 1.0f / 6.0f;
  const double half = 255.0 * weight / 2.0;
  for (bool fast : {true, false}) {
    Blur::setFastPath(fast);
    for (const SpreadCase& c : spreadCases()) {
      Blur::blurPass(Blur::Source{&source, nullptr}, target, c.step, c.offset, weight, false, false);
      for (const Spread& s : c.spread) {
        const uint32_t pixel = bufferPixel(target, x0 + s.dx, y0 + s.dy);
        // Each landing half is rounded to 8 bits on its own in the literal path.
        EXPECT_NEAR(channel(pixel, 0), s.halves * half, 1.0 + 0.5 * s.halves)
            << c.name << (fast ? " fast" : " literal") << " at " << s.dx << "," << s.dy;
        EXPECT_EQ(channel(pixel, 0), channel(pixel, 2));
      }
    }
  }
}

std::vector<uint32_t> bufferPixels(PBuffer& buffer) {
  std::vector<uint32_t> pixels(size_t(buffer.getWidth()) * size_t(buffer.getHeight()));
  buffer.enable();
  glReadPixels(0, 0, buffer.getWidth(), buffer.getHeight(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  buffer.disable();
  return pixels;
}

// Every pass shape, from a source of the target's size and from one twice as large (the
// capture), in each direction, over noise: the fast pass, in one program and split through the
// scratch buffers, writes what the literal taps write, to the last bit, edges (where taps repeat
// the texture) included. The split sum draws the pixels within a pass's widest tap of an edge
// with a program of its own: the sizes put that border all over small targets and leave a thin
// inside in others; weight 1 makes sums that clamp.
TEST_F(BlurTest, FastPassesWriteWhatTheLiteralTapsWriteOverNoise) {
  const float kSteps[4][2] = {{1.0f, 2.5f}, {3.0f, 6.5f}, {5.0f, 12.5f}, {7.0f, 17.5f}};
  struct Directions {
    bool onlyX, onlyY;
  };
  const Directions kDirections[] = {{false, false}, {true, false}, {false, true}};
  struct NoiseCase {
    int size, sourceSize;
    float weight;
  };
  const NoiseCase kCases[] = {{512, 1024, 1.0f / 6.0f},  {512, 512, 1.0f / 12.0f}, {512, 1024, 1.0f / 12.0f},
                              {512, 1024, 1.0f / 24.0f}, {512, 1024, 1.0f},        {64, 128, 1.0f / 12.0f},
                              {32, 32, 1.0f / 12.0f},    {16, 32, 1.0f / 12.0f}};
  Blur blur;  // chooses the buffer capture (the copy path takes the literal passes only)
  ASSERT_TRUE(PBuffer::hasRenderDepthTexture());
  ReportCapture reports;
  uint32_t seed = 17;
  for (const NoiseCase& c : kCases) {
    PBuffer source, target, across, down;
    ASSERT_TRUE(source.initialize(c.sourceSize, c.sourceSize, false));
    for (PBuffer* b : {&target, &across, &down}) ASSERT_TRUE(b->initialize(c.size, c.size, false));
    for (PBuffer* b : {&source, &target, &across, &down}) b->createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR);
    std::vector<uint32_t> noise(size_t(c.sourceSize) * size_t(c.sourceSize));
    for (uint32_t& texel : noise) {
      seed = seed * 1664525u + 1013904223u;
      texel = seed;
    }
    glBindTexture(GL_TEXTURE_2D, source.getTexture());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, c.sourceSize, c.sourceSize, GL_RGBA, GL_UNSIGNED_BYTE, noise.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    glFinish();
    for (int pass = 0; pass < 4; ++pass) {
      for (const Directions& d : kDirections) {
        std::vector<uint32_t> written[3];  // literal, one program, split
        for (int path = 0; path < 3; ++path) {
          Blur::setFastPath(path > 0);
          const Blur::Scratch scratch = path == 2 ? Blur::Scratch{&across, &down} : Blur::Scratch{};
          // The fast passes do not clear: a pixel they leave out keeps this colour.
          target.enable();
          glClearColor(1 / 255.0f, 2 / 255.0f, 3 / 255.0f, 4 / 255.0f);
          glClear(GL_COLOR_BUFFER_BIT);
          target.disable();
          Blur::blurPass(Blur::Source{&source, nullptr}, target, kSteps[pass][0], kSteps[pass][1], c.weight, d.onlyX,
                         d.onlyY, scratch);
          written[path] = bufferPixels(target);
        }
        for (int path = 1; path < 3; ++path) {
          int worst = 0;
          for (size_t i = 0; i < written[0].size(); ++i)
            for (int k = 0; k < 4; ++k)
              worst = std::max(worst, std::abs(channel(written[0][i], k) - channel(written[path][i], k)));
          EXPECT_EQ(worst, 0) << (path == 2 ? "split" : "one program") << " size " << c.size << " source "
                              << c.sourceSize << " weight " << c.weight << " pass " << pass + 1 << " onlyX " << d.onlyX
                              << " onlyY " << d.onlyY;
        }
      }
    }
  }
  EXPECT_TRUE(reports.reports().empty());
}

// The split pass stores each tap's weighted value in the scratch buffers where the values fit
// 8 bits and the buffers the target; otherwise it leaves them alone and sums in one program.
// A uniform source of level 102 stores round(102 x weight) wherever the taps reach.
TEST_F(BlurTest, SplitPassesStoreTapValuesOnlyWhereTheyFit) {
  struct SplitCase {
    const char* name;
    float weight;
    int scratchSize;
    bool onlyX, onlyY;
    int across, down;  // stored levels; -1: left alone
  };
  const SplitCase cases[] = {
      {"half", 0.5f, 512, false, false, 51, 51},          {"whole", 1.0f, 512, false, false, 102, 102},
      {"above one", 1.01f, 512, false, false, -1, -1},    {"negative", -0.25f, 512, false, false, -1, -1},
      {"small scratch", 0.5f, 256, false, false, -1, -1}, {"across only", 0.5f, 512, true, false, 51, -1},
      {"down only", 0.5f, 512, false, true, -1, 51},
  };
  const int kUntouched = 7;  // the level the scratch buffers start each case with
  PBuffer source, target;
  for (PBuffer* b : {&source, &target}) {
    ASSERT_TRUE(b->initialize(512, 512, false));
    b->createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR);
  }
  source.enable();
  glClearColor(0.4f, 0.4f, 0.4f, 0.4f);
  glClear(GL_COLOR_BUFFER_BIT);
  source.disable();
  ReportCapture reports;
  for (const SplitCase& c : cases) {
    PBuffer across, down;
    for (PBuffer* b : {&across, &down}) {
      ASSERT_TRUE(b->initialize(c.scratchSize, c.scratchSize, false));
      b->createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR);
      b->enable();
      glClearColor(kUntouched / 255.0f, kUntouched / 255.0f, kUntouched / 255.0f, kUntouched / 255.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      b->disable();
    }
    Blur::blurPass(Blur::Source{&source, nullptr}, target, 3.0f, 6.5f, c.weight, c.onlyX, c.onlyY,
                   Blur::Scratch{&across, &down});
    const int expected[2] = {c.across, c.down};
    PBuffer* scratch[2] = {&across, &down};
    for (int i = 0; i < 2; ++i) {
      const uint32_t pixel = bufferPixel(*scratch[i], 100, 60);
      for (int channelIndex = 0; channelIndex < 4; ++channelIndex)
        EXPECT_EQ(channel(pixel, channelIndex), expected[i] < 0 ? kUntouched : expected[i])
            << c.name << (i ? " down" : " across") << " channel " << channelIndex;
    }
    // Either way the pass sums six or twelve taps of round(102 x weight), clamped.
    const int taps = (c.onlyX || c.onlyY) ? 6 : 12;
    const int level = std::max(0, std::min(255, taps * int(std::floor(102.0f * c.weight + 0.5f))));
    EXPECT_EQ(channel(bufferPixel(target, 256, 256), 0), level) << c.name;
  }
  EXPECT_TRUE(reports.reports().empty());
}

TEST_F(BlurTest, OnlyXAndOnlyYTogetherLeaveThePassesBlack) {
  for (bool glow : {false, true}) {
    Blur blur;
    quadrantInput(linkInput(blur));
    setBool(blur, "DoBlur", true);
    setBool(blur, "BlurOnlyX", true);
    setBool(blur, "BlurOnlyY", true);
    setBool(blur, "DoGlow", glow);
    blur.start(0);
    frame(blur, 50);
    EXPECT_NE(blur.getResult(), nullptr);
    for (const Probe& p : kQuadrantProbes) {
      EXPECT_TRUE(colourNear(pixelFromTop(p.fx, p.fy), glow ? p.colour : rgba(0, 0, 0), 1))
          << glow << " " << p.fx << "," << p.fy;
    }
  }
}

TEST_F(BlurTest, BlurAmountChoosesHowManyPassesRunAndWhereTheyEnd) {
  struct AmountCase {
    uint32_t amount;
    int resultBuffer;  // 0 A, 1 B, 2 C, -1 none
  };
  const AmountCase cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {5, 0}, {1000000, 0}, {0xFFFFFFFFu, -1}};
  Blur blur;
  quadrantInput(linkInput(blur));
  setBool(blur, "DoBlur", true);
  blur.start(0);
  for (const AmountCase& c : cases) {
    setAmount(blur, c.amount);
    frame(blur, 40);
    EXPECT_EQ(blur.getResult(), c.resultBuffer < 0 ? nullptr : blur.getPassBuffer(c.resultBuffer)) << c.amount;
  }
  // Without passes (a negative count) the sharp capture is shown.
  for (const Probe& p : kQuadrantProbes) EXPECT_TRUE(colourNear(pixelFromTop(p.fx, p.fy), p.colour, 1));
}

TEST_F(BlurTest, ShakeOffsetDecaysByEEveryDurationOverTheSpeedFactor) {
  Blur blur;
  PostInputEffect* input = linkInput(blur);
  input->patches.push_back({{0.0f, 0.0f, 0.5f, 1.0f}, {1, 1, 1}});
  blur.start(0);
  frame(blur, 1000);
  EXPECT_NEAR(edgeColumn(), width() / 2, 1);  // the start leaves no direction: no offset

  EffectEvent shake;
  shake.type = 10;
  shake.time = 1000;
  shake.values[0] = 1.0f;
  shake.values[1] = 0.0f;
  shake.values[2] = 500.0f;
  blur.handleEvent(shake);
  // Speed 0.5: speed factor 0.1, so the factor e takes 500 / 0.1 = 5000 ms.
  struct ShakeCase {
    uint32_t time;
    double offset;  // fraction of the width
  };
  const ShakeCase cases[] = {{1000, std::exp(-1.0)}, {6000, std::exp(-2.0)}, {11000, std::exp(-3.0)}};
  for (const ShakeCase& c : cases) {
    frame(blur, c.time);
    EXPECT_NEAR(edgeColumn(), width() * (0.5 + c.offset), 1.5) << c.time;
  }
  savePicture("blur-shake.png");
  // Type 12 rescales the amplitude and restarts the decay with its own duration.
  EffectEvent amplitude;
  amplitude.type = 12;
  amplitude.time = 20000;
  amplitude.values[0] = 0.5f;
  amplitude.values[1] = 1000.0f;
  blur.handleEvent(amplitude);
  frame(blur, 20000);
  EXPECT_NEAR(edgeColumn(), width() * (0.5 + 0.5 * std::exp(-1.0)), 1.5);
  frame(blur, 30000);
  EXPECT_NEAR(edgeColumn(), width() * (0.5 + 0.5 * std::exp(-2.0)), 1.5);
  // A duration below 1 is taken as 1 (no division by zero).
  amplitude.values[1] = 0.0f;
  blur.handleEvent(amplitude);
  frame(blur, 20000);
  EXPECT_NEAR(edgeColumn(), width() * (0.5 + 0.5 * std::exp(-1.0)), 1.5);
  EXPECT_NEAR(blur.shakeAt(20010), 0.5 * std::exp(-2.0), 1e-6);
}

// Every switch on: the bright-pass, four passes and the glow, over a picture with hard edges
// and levels that the bright-pass keeps; then the glow strengths that the added quad's colour
// clamps, with the passes alone; then the show's drift: one pass across only and the glow. All
// bit-exact on llvmpipe but the drift: there a full channel (255) weighted 1/6 (42.5 steps) gives
// a literal quad 42 and a fast tap 43, so six such taps sum to 252 and 255 (all other levels
// round alike, see the noise test), one more step where the window magnifies the result.
TEST_F(BlurTest, FastAndLiteralPathsGiveTheSamePicture) {
  struct GlowCase {
    float strength;
    bool mulSub;
    uint32_t amount;
    bool onlyX;
    int tolerance;
  };
  for (const GlowCase& glow : {GlowCase{1.0f, true, 3, false, 0}, GlowCase{2.5f, false, 3, false, 0},
                               GlowCase{-0.5f, false, 3, false, 0}, GlowCase{1.0f, false, 0, true, 4}}) {
    SCOPED_TRACE(testing::Message() << "strength " << glow.strength << ", passes " << glow.amount + 1 << ", only x "
                                    << glow.onlyX);
    std::vector<uint32_t> pictures[2];
    ReportCapture reports;  // a fast pass whose program failed would fall back to the literal one
    for (int fast = 0; fast < 2; ++fast) {
      Blur::setFastPath(fast == 1);
      Blur blur;
      PostInputEffect* input = linkInput(blur);
      quadrantInput(input);
      input->patches.push_back({{0.1f, 0.45f, 0.8f, 0.02f}, {1, 1, 1}});
      setBool(blur, "DoBlur", true);
      setBool(blur, "DoGlow", true);
      setBool(blur, "DoMulSub", glow.mulSub);
      setBool(blur, "BlurOnlyX", glow.onlyX);
      blur.findVariable("GlowStrength")->setValue(glow.strength, 0);
      setAmount(blur, glow.amount);
      blur.start(0);
      frame(blur, 30);
      if (glow.mulSub) savePicture(fast ? "blur-glow-fast.png" : "blur-glow-literal.png");
      if (glow.onlyX) savePicture(fast ? "blur-drift-fast.png" : "blur-drift-literal.png");
      pictures[fast] = readWindow();
    }
    comparePictures(pictures, reports, glow.tolerance);
    if (glow.onlyX) {
      // Across only: the glow spreads the red quadrant a few pixels into the green one (the
      // pass's taps reach 3 of its pixels, 5 of the window's), not into the blue one below.
      const int edgeX = width() / 2, y = height() * 3 / 4;  // the top quadrants, from the bottom
      EXPECT_GT(channel(pictures[1][size_t(y) * size_t(width()) + size_t(edgeX + 2)], 0), 20);
      EXPECT_EQ(channel(pictures[1][size_t(y) * size_t(width()) + size_t(edgeX + 12)], 0), 0);
      const int edgeY = height() / 2, x = width() / 4;  // red above blue, on the left
      EXPECT_EQ(channel(pictures[1][size_t(edgeY - 3) * size_t(width()) + size_t(x)], 0), 0);
    }
  }
}

void BlurTest::comparePictures(const std::vector<uint32_t> (&pictures)[2], const ReportCapture& reports,
                               int tolerance) {
  int worst = 0;
  long differing = 0;

  for (size_t i = 0; i < pictures[0].size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      const int d = std::abs(channel(pictures[0][i], c) - channel(pictures[1][i], c));
      worst = std::max(worst, d);
      differing += d > 1;
    }
  }
  EXPECT_TRUE(reports.reports().empty());
  EXPECT_LE(worst, tolerance);
  EXPECT_LT(differing, long(pictures[0].size()) / (tolerance > 0 ? 20 : 100));
  // The blur did something: the glow brightens the dark side of the line.
  EXPECT_GT(channel(pictures[1][size_t(height() / 2 + 20) * size_t(width()) + 400], 0), 30);
}

// A linked effect that leaves odd state behind in the capture's context at the end of its
// render (a program, a texture on unit 1 active, blending, no depth test or writes, marker
// matrices) and checks at its next update that it finds that state again, drawn into the
// capture's own texture: what a context of its own promises.
class StateProbe : public Effect {
 public:
  explicit StateProbe(const std::string& name) : Effect(name) {}
  ~StateProbe() override {
    if (_texture) glDeleteTextures(1, &_texture);
    if (_program) glDeleteProgram(_program);
  }
  void update(uint32_t time) override {
    Effect::update(time);
    if (!left) return;  // nothing left behind in this capture yet
    ++checks;
    GLint value = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(GLuint(value), _program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
    EXPECT_EQ(value, GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(GLuint(value), _texture);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_FALSE(mask);
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &value);
    EXPECT_EQ(GLuint(value), capture);
    glGetIntegerv(GL_DRAW_BUFFER0, &value);
    EXPECT_EQ(value, GL_COLOR_ATTACHMENT0);
    glGetIntegerv(GL_DRAW_BUFFER1, &value);
    EXPECT_EQ(value, GL_NONE);
    expectMarkerMatrices();  // the texture matrix of unit 1
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE0);
  }
  void render(uint32_t) override {
    if (!_program) {
      _program = GlslProgram::build("#version 120\nvoid main() { gl_Position = ftransform(); }\n",
                                    "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n", "probe");
      glGenTextures(1, &_texture);
    }
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRectf(-0.5f, -0.5f, 0.5f, 0.5f);
    glUseProgram(_program);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, _texture);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    loadMarkerMatrices();
    left = true;
  }
  GLuint capture = 0;  // the texture drawing should go to
  bool left = false;   // render left its state behind
  int checks = 0;

 private:
  GLuint _program = 0;
  GLuint _texture = 0;
};

// The fast passes draw in the capture's context; they leave it as the linked effect left it, its
// own texture attached, for Blur (one pass across, as the show's drift) and DOF (three passes).
TEST_F(BlurTest, PassesInTheCaptureContextLeaveItsStateAsTheLinkedEffectLeftIt) {
  EffectList probes(std::vector<EffectRegistryRow>{{"Probe", [](const std::string& name) -> std::unique_ptr<Effect> {
                                                      return std::make_unique<StateProbe>(name);
                                                    }}});
  probes.insert("Probe");
  EffectList::setCurrent(&probes);
  StateProbe& probe = static_cast<StateProbe&>(*probes.find("Probe"));
  struct HostCase {
    const char* name;
    std::function<std::unique_ptr<Effect>()> make;
    std::function<GLuint(Effect&)> capture;
  };
  const HostCase cases[] = {
      {"Blur",
       [] {
         auto blur = std::make_unique<Blur>();
         setBool(*blur, "DoBlur", true);
         setBool(*blur, "DoGlow", true);
         setBool(*blur, "BlurOnlyX", true);
         setAmount(*blur, 0);
         return std::unique_ptr<Effect>(std::move(blur));
       },
       [](Effect& e) { return static_cast<Blur&>(e).getCapture().getTexture(); }},
      {"DOF", [] { return std::unique_ptr<Effect>(std::make_unique<DepthOfField>()); },
       [](Effect& e) { return static_cast<DepthOfField&>(e).getCapture().getTexture(); }},
  };
  for (const HostCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Effect> effect = c.make();
    EffectEvent link;
    link.type = 2;
    link.text = "Probe";
    effect->handleEvent(link);
    effect->start(0);
    probe.capture = c.capture(*effect);
    probe.checks = 0;
    probe.left = false;
    for (uint32_t time : {10u, 20u, 30u}) frame(*effect, time);
    EXPECT_GE(probe.checks, 2);
    expectPostEndState();
  }
  EffectList::setCurrent(_list.get());
}

TEST_F(BlurTest, EventSeventeenTakesTheCopyPathOnlyWithoutRenderDepthTextures) {
  struct CopyCase {
    bool missing;
    float value;
    bool copyPath;
  };
  const CopyCase cases[] = {{false, 1, false}, {true, 1, true}, {true, 0, false}, {true, -1, false}};
  Blur blur;
  for (const CopyCase& c : cases) {
    PBuffer::setRenderDepthTextureMissing(c.missing);
    EffectEvent event;
    event.type = 17;
    event.value = c.value;
    blur.handleEvent(event);
    EXPECT_EQ(blur.isCopyPath(), c.copyPath) << c.missing << " " << c.value;
  }
  PBuffer::setRenderDepthTextureMissing(false);
  EffectEvent off;
  off.type = 17;
  blur.handleEvent(off);
}

// Two glowing instances of different pictures, each updated before either renders (as the frame
// loop runs them): each adds its glow over its own picture, on the buffer and the copy path, and
// making one leaves the other's path as it was.
TEST_F(BlurTest, TwoInstancesGlowEachOverItsOwnPicture) {
  for (const PathCase& path : kPaths) {
    SCOPED_TRACE(path.name);
    Blur::setFastPath(path.fast);
    PBuffer::setRenderDepthTextureMissing(path.copyPath);
    Blur first;
    PBuffer::setRenderDepthTextureMissing(false);
    Blur second;
    EXPECT_EQ(first.isCopyPath(), path.copyPath);
    EXPECT_FALSE(second.isCopyPath());
    PostInputEffect red("Red"), green("Green");
    red.setUniform(0.25f, 0.0f, 0.0f);
    green.setUniform(0.0f, 0.25f, 0.0f);
    Blur* const blurs[2] = {&first, &second};
    PostInputEffect* const inputs[2] = {&red, &green};
    for (int i = 0; i < 2; ++i) {
      blurs[i]->setLinkedEffect(inputs[i]);
      setBool(*blurs[i], "DoGlow", true);
      blurs[i]->start(0);
    }
    clearWindow(0, 0, 0);
    first.update(10);
    second.update(10);
    for (int i = 0; i < 2; ++i) {
      clearWindow(0, 0, 0);
      blurs[i]->render(10);
      // The picture with its glow over it: twice the input's level.
      const uint32_t expected = i == 0 ? rgba(128, 0, 0) : rgba(0, 128, 0);
      EXPECT_TRUE(colourNear(pixelFromTop(0.1f, 0.9f), expected, 1)) << "instance " << i;
    }
  }
}

TEST_F(BlurTest, WithoutALinkNothingIsDrawnAndLoopsAreNotEntered) {
  {
    Blur blur;
    blur.start(0);
    clearWindow(0.25f, 0.5f, 0.75f);
    blur.update(10);
    blur.render(10);
    EXPECT_TRUE(colourNear(pixelFromTop(0.5f, 0.5f), rgba(64, 128, 191), 1));
  }
  // A link to itself, and a loop through another post effect: each is drawn once per frame
  // without recursing.
  EffectList list(EffectTable::rows());
  list.insert("Blur");
  list.insert("GridExp");
  EffectList::setCurrent(&list);
  Effect* blur = list.find("Blur");
  Effect* grid = list.find("GridExp");
  EffectEvent link;
  link.type = 2;
  link.text = "Blur";
  blur->handleEvent(link);
  blur->start(0);
  frame(*blur, 20);
  grid->handleEvent(link);
  link.text = "GridExp";
  blur->handleEvent(link);
  for (Effect* first : {blur, grid}) {
    first->start(0);
    frame(*first, 30);
  }
  EffectList::setCurrent(_list.get());
}

}  // namespace
