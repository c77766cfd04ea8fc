// DOF: the vertex program's parameters, the focus factor it writes at known depths, the passes,
// the composition of blurred and sharp pictures, the fast path against the literal one, and the
// bad links and a missing vertex program.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "Blur.h"
#include "DepthOfField.h"
#include "EffectPixelFixture.h"
#include "EffectTable.h"
#include "IntVariable.h"
#include "MemoryFile.h"
#include "ReportCapture.h"

namespace {

int channel(uint32_t pixel, int c) { return int((pixel >> (8 * c)) & 0xff); }

// Four strips side by side (left to right), white, facing the viewer, each at its own eye
// distance, in an orthographic view that keeps them where they are whatever their depth.
class DepthStrips : public Effect {
 public:
  explicit DepthStrips(const std::string& name) : Effect(name) {}
  void render(uint32_t) override {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 1.0, 0.0, -1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
      const float x0 = 0.25f * float(i), x1 = x0 + 0.25f, z = -depths[i];
      glVertex3f(x0, 1.0f, z);
      glVertex3f(x1, 1.0f, z);
      glVertex3f(x1, 0.0f, z);
      glVertex3f(x0, 0.0f, z);
    }
    glEnd();
    glEnable(GL_DEPTH_TEST);
  }
  static float depths[4];  // eye distances of the strips, left to right
};
float DepthStrips::depths[4] = {0, 0, 0, 0};

std::unique_ptr<Effect> makeStrips(const std::string& name) { return std::make_unique<DepthStrips>(name); }

// The colour the vertex program gives a white strip facing light 0 under GL's default light and
// material: scene colour 0.2 x 0.2 + light 0's diffuse 1 x 0.8 x (0.5 x N.L + 0.5), N.L = 1.
constexpr int kLitLevel = 214;

class DepthOfFieldTest : public EffectPixelFixture {
 protected:
  void SetUp() override {
    EffectPixelFixture::SetUp();
    setDataFolders({RK17_SOURCE_DIR});
    _strips = std::make_unique<EffectList>(std::vector<EffectRegistryRow>{{"Strips", &makeStrips}});
    _strips->insert("Strips");
    EffectList::setCurrent(_strips.get());
  }
  void TearDown() override {
    setDataFolders({});
    Blur::setFastPath(true);
    EffectPixelFixture::TearDown();
  }

  static void setFloat(Effect& effect, const char* name, float value) {
    static_cast<FloatVariable*>(effect.findVariable(name))->setCurrentValue(value);
  }
  static void setBool(Effect& effect, const char* name, bool on) {
    static_cast<BoolVariable*>(effect.findVariable(name))->setCurrentValue(on);
  }
  static void setAmount(Effect& effect, uint32_t amount) {
    static_cast<IntVariable*>(effect.findVariable("BlurAmount"))->setCurrentValue(amount);
  }
  static void link(Effect& effect, const char* name) {
    EffectEvent event;
    event.type = 2;
    event.text = name;
    effect.handleEvent(event);
  }
  // Links dof to the strips at these depths and starts it (which loads the program).
  static void linkStrips(DepthOfField& dof, std::vector<float> depths) {
    for (int i = 0; i < 4; ++i) DepthStrips::depths[i] = depths[size_t(i)];
    link(dof, "Strips");
    dof.start(0);
  }
  static void frame(Effect& effect, uint32_t time) {
    clearWindow(0, 0, 0);
    effect.update(time);
    effect.render(time);
  }
  static uint32_t bufferPixel(PBuffer& buffer, float fx, float fy) {
    uint32_t pixel = 0;
    buffer.enable();
    glReadPixels(int(fx * float(buffer.getWidth())), int(fy * float(buffer.getHeight())), 1, 1, GL_RGBA,
                 GL_UNSIGNED_BYTE, &pixel);
    buffer.disable();
    return pixel;
  }
  // Red levels of the window at the strips' centres.
  static std::vector<int> stripLevels() {
    std::vector<int> levels;
    for (int i = 0; i < 4; ++i) levels.push_back(channel(pixelFromTop(0.125f + 0.25f * float(i), 0.5f), 0));
    return levels;
  }

  std::unique_ptr<EffectList> _strips;
};

TEST_F(DepthOfFieldTest, FocusParametersFollowConstantAndWeights) {
  struct ParameterCase {
    float constant, weight1, weight2;
    std::array<float, 4> expected;
  };
  const float inf = INFINITY;
  const ParameterCase cases[] = {
      {0.5f, 0.25f, 0.5f, {0.0f, 0.005f, 0.0f, 0.0f}},  // the weights that cancel
      {0.5f, 1.0f, 0.0f, {0.0f, 0.005f, 3.0f, -1.0f}},  // the defaults
      {2.0f, 0.0f, 1.0f, {0.0f, 0.02f, -1.0f, 1.0f}},
      {-100.0f, 50.0f, -7.0f, {0.0f, -1.0f, 199.0f, -15.0f}},  // out of range: passed on, clamped by the program
      {inf, NAN, -inf, {0.0f, 0.0f, 0.0f, 0.0f}},              // not finite: 0
  };
  for (const ParameterCase& c : cases) {
    const std::array<float, 4> p = DepthOfField::focusParameters(c.constant, c.weight1, c.weight2);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(p[size_t(i)], c.expected[size_t(i)], 1e-6) << c.constant << " " << i;
  }

  // The capture hands them to the vertex program, sampled at the frame's time.
  DepthOfField dof;
  linkStrips(dof, {100, 100, 100, 100});
  setFloat(dof, "Weight1", 0.25f);
  setFloat(dof, "Weight2", 0.5f);
  setFloat(dof, "Constant", 3.0f);
  frame(dof, 10);
  float env[2][4] = {};
  dof.getCapture().enable();
  glGetProgramEnvParameterfvARB(GL_VERTEX_PROGRAM_ARB, 0, env[0]);
  glGetProgramEnvParameterfvARB(GL_VERTEX_PROGRAM_ARB, 1, env[1]);
  dof.getCapture().disable();
  const float expected[2][4] = {{0.0f, 0.03f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.5f, 1.0f}};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(env[i / 4][i % 4], expected[i / 4][i % 4]) << i;
}

// focus = clamp((Weight1 x 2 - 0.5) x 2 + (Weight2 - 0.5) x 2 x Constant x 0.01 x distance, 0, 1)
TEST_F(DepthOfFieldTest, VertexProgramWritesTheFocusFactorIntoAlpha) {
  struct FocusCase {
    float constant, weight1, weight2;
    float depths[4];
    int alpha[4];  // bytes
  };
  const FocusCase cases[] = {
      // 2 - 0.01 d: sharp up to 100, gone at 200.
      {1.0f, 0.75f, 0.0f, {50, 150, 175, 300}, {255, 128, 64, 0}},
      // The defaults, 3 - 0.005 d: sharp up to 400, gone at 600.
      {0.5f, 1.0f, 0.0f, {400, 500, 550, 700}, {255, 128, 64, 0}},
      // 0.01 d: the far side sharp.
      {1.0f, 0.25f, 1.0f, {20, 60, 150, 0}, {51, 153, 255, 0}},
      // Weights 0.25 and 0.5: nothing in focus at any depth.
      {0.5f, 0.25f, 0.5f, {0, 100, 500, 1500}, {0, 0, 0, 0}},
  };
  DepthOfField dof;
  linkStrips(dof, {0, 0, 0, 0});
  for (const FocusCase& c : cases) {
    std::copy(c.depths, c.depths + 4, DepthStrips::depths);
    setFloat(dof, "Constant", c.constant);
    setFloat(dof, "Weight1", c.weight1);
    setFloat(dof, "Weight2", c.weight2);
    frame(dof, 20);
    for (int i = 0; i < 4; ++i) {
      const uint32_t pixel = bufferPixel(dof.getCapture(), 0.125f + 0.25f * float(i), 0.5f);
      EXPECT_NEAR(channel(pixel, 3), c.alpha[i], 1) << c.weight1 << " at " << c.depths[i];
      EXPECT_TRUE(colourNear(pixel, rgba(kLitLevel, kLitLevel, kLitLevel), 1)) << c.weight1 << " at " << c.depths[i];
    }
  }
}

// One pass at "BlurFactor" 0.25: twelve taps of weight 1/24 over the uniform strip give
// 12 x round(214 / 24) = 108; the sharp capture goes over it with its alpha.
TEST_F(DepthOfFieldTest, SharpPictureCoversTheBlurredOneByItsFocus) {
  const int blurred = 12 * int(std::lround(kLitLevel / 24.0));
  struct GlowCase {
    bool glow;
    float glowStrength;
    std::vector<int> levels;  // at the strips' centres
  };
  auto mix = [&](double a) { return int(std::lround(kLitLevel * a + blurred * (1.0 - a))); };
  const GlowCase cases[] = {
      {true, 1.0f, {kLitLevel, mix(128 / 255.0), mix(64 / 255.0), blurred}},
      // The strength scales colour and alpha: 214 x 0.5 x 0.5 + 108 x 0.5 on the sharp strip.
      {true, 0.5f, {int(std::lround(kLitLevel * 0.25 + blurred * 0.5)), -1, -1, blurred}},
      {false, 1.0f, {blurred, blurred, blurred, blurred}},
  };
  DepthOfField dof;
  linkStrips(dof, {50, 150, 175, 300});
  setFloat(dof, "Constant", 1.0f);
  setFloat(dof, "Weight1", 0.75f);
  setAmount(dof, 0);
  for (bool fast : {true, false}) {
    Blur::setFastPath(fast);
    for (const GlowCase& c : cases) {
      setBool(dof, "DoGlow", c.glow);
      setFloat(dof, "GlowStrength", c.glowStrength);
      frame(dof, 30);
      expectPostEndState();
      savePicture(fast ? "dof-strips-fast.png" : "dof-strips-literal.png");
      const std::vector<int> levels = stripLevels();
      for (size_t i = 0; i < 4; ++i) {
        if (c.levels[i] < 0) continue;
        EXPECT_NEAR(levels[i], c.levels[i], 2) << fast << " " << c.glow << " strip " << i;
      }
      EXPECT_EQ(dof.getResult(), dof.getPassBuffer(0));
    }
  }
}

TEST_F(DepthOfFieldTest, BlurAmountChoosesThePassesAndTheirLastBuffer) {
  struct AmountCase {
    uint32_t amount;
    int resultBuffer;  // 0 A, 1 B, 2 C; -1 none
  };
  // Negative first: the result stays none until some pass has run.
  const AmountCase cases[] = {{0xFFFFFFFFu, -1}, {0, 0}, {1, 1}, {2, 2}, {3, 0}, {7, 0}};
  DepthOfField dof;
  linkStrips(dof, {0, 0, 0, 0});
  for (const AmountCase& c : cases) {
    setAmount(dof, c.amount);
    frame(dof, 40);
    EXPECT_EQ(dof.getResult(), c.resultBuffer < 0 ? nullptr : dof.getPassBuffer(c.resultBuffer)) << c.amount;
    // No pass ever ran: nothing is drawn.
    if (c.resultBuffer < 0) {
      EXPECT_EQ(stripLevels(), std::vector<int>(4, 0));
    }
  }
}

TEST_F(DepthOfFieldTest, WithoutBlurTheSharpCaptureShowsOnceAPassHasRun) {
  DepthOfField dof;
  linkStrips(dof, {50, 150, 175, 300});
  setFloat(dof, "Constant", 1.0f);
  setFloat(dof, "Weight1", 0.75f);
  setBool(dof, "DoBlur", false);
  frame(dof, 10);
  EXPECT_EQ(dof.getResult(), nullptr);
  EXPECT_EQ(stripLevels(), std::vector<int>(4, 0));  // never blurred: nothing drawn
  setBool(dof, "DoBlur", true);
  frame(dof, 20);
  setBool(dof, "DoBlur", false);
  for (bool glow : {true, false}) {
    setBool(dof, "DoGlow", glow);
    frame(dof, 30);
    // The sharp capture, and with glow drawn again over itself by its alpha: the same picture.
    for (int level : stripLevels()) EXPECT_NEAR(level, kLitLevel, 1) << glow;
  }
}

TEST_F(DepthOfFieldTest, FastAndLiteralPathsGiveTheSamePicture) {
  ReportCapture reports;  // a fast program that failed would fall back to the literal quads
  std::vector<uint32_t> pictures[2];
  for (int fast = 0; fast < 2; ++fast) {
    Blur::setFastPath(fast == 1);
    DepthOfField dof;
    linkStrips(dof, {380, 450, 520, 650});
    setAmount(dof, 3);
    setFloat(dof, "BlurFactor", 0.5f);
    frame(dof, 50);
    savePicture(fast ? "dof-fast.png" : "dof-literal.png");
    pictures[fast].resize(size_t(width() * height()));
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pictures[fast].data());
  }
  int worst = 0;
  for (size_t i = 0; i < pictures[0].size(); ++i) {
    for (int c = 0; c < 3; ++c)
      worst = std::max(worst, std::abs(channel(pictures[0][i], c) - channel(pictures[1][i], c)));
  }
  EXPECT_LE(worst, 1);
  EXPECT_TRUE(reports.reports().empty());
  // The window's edges: the strip in focus (left, 380) stays sharp against the black outside the
  // picture, the one out of focus (right, 650) blurs into it.
  const size_t row = size_t(height() / 2) * size_t(width());
  const int inside = channel(pictures[1][row + size_t(width() / 8)], 0);
  EXPECT_NEAR(channel(pictures[1][row + 1], 0), inside, 2);
  EXPECT_LT(channel(pictures[1][row + size_t(width() - 2)], 0), inside * 3 / 4);
}

TEST_F(DepthOfFieldTest, BadLinksAndAMissingProgramDrawSafely) {
  ReportCapture reports;
  {
    // No link: neither update nor render draws.
    DepthOfField dof;
    dof.start(0);
    clearWindow(0.25f, 0.5f, 0.75f);
    dof.update(10);
    dof.render(10);
    EXPECT_TRUE(colourNear(pixelFromTop(0.5f, 0.5f), rgba(64, 128, 191), 1));
  }
  // A link to itself, and a loop through Blur: each is drawn once per frame without recursing.
  EffectList list(EffectTable::rows());
  list.insert("DOF");
  list.insert("Blur");
  EffectList::setCurrent(&list);
  Effect* dof = list.find("DOF");
  Effect* blur = list.find("Blur");
  link(*dof, "DOF");
  dof->start(0);
  frame(*dof, 20);
  frame(*dof, 30);
  link(*dof, "Blur");
  link(*blur, "DOF");
  for (Effect* first : {dof, blur}) {
    first->start(0);
    frame(*first, 40);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EffectList::setCurrent(_strips.get());

  // Without the program file the capture draws as the linked effect does (opaque white strips,
  // all in focus), with nothing reported.
  setDataFolders({"/nonexistent"});
  DepthOfField missing;
  linkStrips(missing, {1000, 1000, 1000, 1000});
  EXPECT_EQ(DepthOfField::getProgram(), 0u);
  frame(missing, 50);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_EQ(stripLevels(), std::vector<int>(4, 255));
  EXPECT_TRUE(reports.reports().empty());

  // The next start loads it again; the program it replaces is deleted.
  setDataFolders({RK17_SOURCE_DIR});
  missing.start(60);
  const GLuint first = DepthOfField::getProgram();
  EXPECT_NE(first, 0u);
  missing.start(70);
  EXPECT_NE(DepthOfField::getProgram(), first);
  EXPECT_FALSE(glIsProgramARB(first));
}

}  // namespace
