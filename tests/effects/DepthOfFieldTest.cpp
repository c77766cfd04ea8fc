// DOF: the vertex program's parameters and the focus it writes at known depths, the passes, the
// composition on the fast and the literal path, bad links and a missing vertex program.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Blur.h"
#include "DepthOfField.h"
#include "EffectPixelFixture.h"
#include "EffectTable.h"
#include "MemoryFile.h"
#include "ReportCapture.h"

namespace {

int red(uint32_t pixel) { return int(pixel & 0xff); }

// Four white strips facing the viewer side by side, each at its own eye distance (depths, left
// to right), in an orthographic view that keeps them in place whatever their depth.
float gDepths[4] = {0, 0, 0, 0};
class DepthStrips : public Effect {
 public:
  explicit DepthStrips(const std::string& name) : Effect(name) {}
  void render(uint32_t) override {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 1.0, 0.0, -1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (int i = 0; i < 4; ++i) {
      const float x0 = 0.25f * float(i), x1 = x0 + 0.25f, z = -gDepths[i];
      glVertex3f(x0, 1.0f, z);
      glVertex3f(x1, 1.0f, z);
      glVertex3f(x1, 0.0f, z);
      glVertex3f(x0, 0.0f, z);
    }
    glEnd();
  }
};

// GL's default light and material give a strip facing light 0: 0.2 x 0.2 + 0.8 x (0.5 + 0.5).
constexpr int kLit = 214;

class DepthOfFieldTest : public EffectPixelFixture {
 protected:
  void SetUp() override {
    EffectPixelFixture::SetUp();
    setDataFolders({RK17_SOURCE_DIR});
    _strips = std::make_unique<EffectList>(
        std::vector<EffectRegistryRow>{{"Strips", [](const std::string& name) -> std::unique_ptr<Effect> {
                                          return std::make_unique<DepthStrips>(name);
                                        }}});
    _strips->insert("Strips");
    EffectList::setCurrent(_strips.get());
  }
  void TearDown() override {
    setDataFolders({});
    Blur::setFastPath(true);
    EffectPixelFixture::TearDown();
  }
  // Sets "name" (float, bool or int variable) of effect.
  static void set(Effect& effect, const char* name, float value) {
    EffectVariable* v = effect.findVariable(name);
    if (v->getTypeCode() == EffectVariable::kInt)
      static_cast<IntVariable*>(v)->setCurrentValue(uint32_t(int64_t(value)));
    else if (v->getTypeCode() == EffectVariable::kBool)
      static_cast<BoolVariable*>(v)->setCurrentValue(value != 0.0f);
    else
      static_cast<FloatVariable*>(v)->setCurrentValue(value);
  }
  static void link(Effect& effect, const char* name) {
    EffectEvent event;
    event.type = 2;
    event.text = name;
    effect.handleEvent(event);
  }
  static void startOnStrips(DepthOfField& dof, std::array<float, 4> depths) {
    std::copy(depths.begin(), depths.end(), gDepths);
    link(dof, "Strips");
    dof.start(0);
  }
  static void frame(Effect& effect, uint32_t time) {
    clearWindow(0, 0, 0);
    effect.update(time);
    effect.render(time);
  }
  // The window's red level at the strips' centres.
  static std::vector<int> stripLevels() {
    std::vector<int> levels;
    for (int i = 0; i < 4; ++i) levels.push_back(red(pixelFromTop(0.125f + 0.25f * float(i), 0.5f)));
    return levels;
  }
  static void expectLevels(const std::vector<int>& expected, int tolerance) {
    const std::vector<int> levels = stripLevels();
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(levels[i], expected[i], tolerance) << "strip " << i;
  }

  std::unique_ptr<EffectList> _strips;
};

TEST_F(DepthOfFieldTest, FocusParametersFollowConstantAndWeights) {
  struct ParameterCase {
    float constant, weight1, weight2;
    std::array<float, 4> expected;
  };
  const ParameterCase cases[] = {
      {0.5f, 0.25f, 0.5f, {0.0f, 0.005f, 0.0f, 0.0f}},         // weights that cancel
      {0.5f, 1.0f, 0.0f, {0.0f, 0.005f, 3.0f, -1.0f}},         // the defaults
      {-100.0f, 50.0f, -7.0f, {0.0f, -1.0f, 199.0f, -15.0f}},  // out of range: the program clamps
      {INFINITY, NAN, -INFINITY, {0.0f, 0.0f, 0.0f, 0.0f}},    // not finite: 0
  };
  for (const ParameterCase& c : cases) {
    const std::array<float, 4> p = DepthOfField::focusParameters(c.constant, c.weight1, c.weight2);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(p[size_t(i)], c.expected[size_t(i)], 1e-6) << c.constant << " " << i;
  }
  // The capture hands them to the vertex program, sampled at the frame's time.
  DepthOfField dof;
  startOnStrips(dof, {100, 100, 100, 100});
  set(dof, "Weight1", 0.25f);
  set(dof, "Weight2", 0.5f);
  set(dof, "Constant", 3.0f);
  frame(dof, 10);
  float env[8] = {};
  dof.getCapture().enable();
  glGetProgramEnvParameterfvARB(GL_VERTEX_PROGRAM_ARB, 0, env);
  glGetProgramEnvParameterfvARB(GL_VERTEX_PROGRAM_ARB, 1, env + 4);
  dof.getCapture().disable();
  const float expected[8] = {0.0f, 0.03f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 1.0f};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(env[i], expected[i]) << i;
}

// focus = clamp((Weight1 x 2 - 0.5) x 2 + (Weight2 - 0.5) x 2 x Constant x 0.01 x distance, 0, 1)
TEST_F(DepthOfFieldTest, VertexProgramWritesTheFocusIntoAlpha) {
  struct FocusCase {
    float constant, weight1, weight2;
    std::array<float, 4> depths;
    int alpha[4];  // bytes
  };
  const FocusCase cases[] = {
      {1.0f, 0.75f, 0.0f, {50, 150, 175, 300}, {255, 128, 64, 0}},  // 2 - 0.01 d
      {0.5f, 1.0f, 0.0f, {400, 500, 550, 700}, {255, 128, 64, 0}},  // defaults: 3 - 0.005 d
      {1.0f, 0.25f, 1.0f, {20, 60, 150, 0}, {51, 153, 255, 0}},     // 0.01 d: the far side sharp
      {0.5f, 0.25f, 0.5f, {0, 100, 500, 1500}, {0, 0, 0, 0}},       // weights 0.25, 0.5: nothing sharp
  };
  DepthOfField dof;
  startOnStrips(dof, {0, 0, 0, 0});
  for (const FocusCase& c : cases) {
    std::copy(c.depths.begin(), c.depths.end(), gDepths);
    set(dof, "Constant", c.constant);
    set(dof, "Weight1", c.weight1);
    set(dof, "Weight2", c.weight2);
    frame(dof, 20);
    for (int i = 0; i < 4; ++i) {
      uint32_t pixel = 0;
      dof.getCapture().enable();
      glReadPixels(128 + 256 * i, 512, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
      dof.getCapture().disable();
      EXPECT_NEAR(int(pixel >> 24), c.alpha[i], 1) << c.weight1 << " at " << c.depths[size_t(i)];
      EXPECT_TRUE(colourNear(pixel, rgba(kLit, kLit, kLit), 1)) << c.weight1 << " at " << c.depths[size_t(i)];
    }
  }
}

// One pass at "BlurFactor" 0.25 turns the uniform strips into 12 x round(214 / 24) = 108; the
// sharp capture goes over that by its alpha x "GlowStrength" (which also scales its colour).
// Both paths give these levels, and the same whole picture within one step.
TEST_F(DepthOfFieldTest, SharpPictureCoversTheBlurredOneByItsFocus) {
  ReportCapture reports;  // a fast program that failed would fall back to the literal quads
  const int blurred = 12 * int(std::lround(kLit / 24.0));
  auto mix = [&](double a, double g) { return int(std::lround(kLit * g * a * g + blurred * (1.0 - a * g))); };
  struct GlowCase {
    float glow, strength;
    std::vector<int> levels;  // at the strips' centres (focus 1, 0.5, 0.25, 0)
  };
  const GlowCase cases[] = {{1, 1.0f, {kLit, mix(128 / 255.0, 1), mix(64 / 255.0, 1), blurred}},
                            {1, 0.5f, {mix(1, 0.5), mix(128 / 255.0, 0.5), mix(64 / 255.0, 0.5), blurred}},
                            {0, 1.0f, {blurred, blurred, blurred, blurred}}};
  DepthOfField dof;
  startOnStrips(dof, {50, 150, 175, 300});
  set(dof, "Constant", 1.0f);
  set(dof, "Weight1", 0.75f);
  set(dof, "BlurAmount", 0);
  for (const GlowCase& c : cases) {
    std::vector<uint32_t> pictures[2];
    for (int fast = 0; fast < 2; ++fast) {
      Blur::setFastPath(fast == 1);
      set(dof, "DoGlow", c.glow);
      set(dof, "GlowStrength", c.strength);
      frame(dof, 30);
      expectPostEndState();
      savePicture(fast ? "dof-strips-fast.png" : "dof-strips-literal.png");
      SCOPED_TRACE(testing::Message() << "fast " << fast << ", glow " << c.glow << ", strength " << c.strength);
      expectLevels(c.levels, 2);
      pictures[fast].resize(size_t(width() * height()));
      glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pictures[fast].data());
    }
    int worst = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) {
      for (int shift : {0, 8, 16})
        worst =
            std::max(worst, std::abs(int((pictures[0][i] >> shift) & 0xff) - int((pictures[1][i] >> shift) & 0xff)));
    }
    EXPECT_LE(worst, 1) << c.glow << " " << c.strength;
  }
  EXPECT_TRUE(reports.reports().empty());
}

// "BlurAmount" picks the passes and the buffer they end in; nothing is drawn before a pass has
// run; with "DoBlur" off afterwards the sharp capture shows (over itself when glowing).
TEST_F(DepthOfFieldTest, PassesDecideWhatIsDrawn) {
  struct FrameCase {
    float doBlur, amount;
    int result;               // 0 A, 1 B, 2 C; -1 none
    std::vector<int> levels;  // at the strips' centres
  };
  const std::vector<int> nothing(4, 0), sharp(4, kLit);
  const FrameCase cases[] = {{1, -1, -1, nothing}, {0, 0, -1, nothing}, {1, 1, 1, {}},   {1, 2, 2, {}},
                             {1, 3, 0, {}},        {1, 7, 0, {}},       {0, 0, 0, sharp}};
  DepthOfField dof;
  startOnStrips(dof, {50, 150, 175, 300});
  set(dof, "Constant", 1.0f);
  set(dof, "Weight1", 0.75f);
  for (const FrameCase& c : cases) {
    set(dof, "DoBlur", c.doBlur);
    set(dof, "BlurAmount", c.amount);
    frame(dof, 40);
    SCOPED_TRACE(testing::Message() << "DoBlur " << c.doBlur << ", BlurAmount " << c.amount);
    EXPECT_EQ(dof.getResult(), c.result < 0 ? nullptr : dof.getPassBuffer(c.result));
    if (!c.levels.empty()) expectLevels(c.levels, 1);
  }
}

TEST_F(DepthOfFieldTest, BadLinksAndAMissingProgramDrawSafely) {
  ReportCapture reports;
  {
    DepthOfField unlinked;  // neither update nor render draws
    unlinked.start(0);
    clearWindow(0.25f, 0.5f, 0.75f);
    unlinked.update(10);
    unlinked.render(10);
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

  // Without the program file the strips draw as they do alone (white, opaque: all in focus).
  DepthOfField::releaseProgram();
  setDataFolders({"/nonexistent"});
  DepthOfField missing;
  startOnStrips(missing, {1000, 1000, 1000, 1000});
  EXPECT_EQ(DepthOfField::getProgram(), 0u);
  frame(missing, 50);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_EQ(stripLevels(), std::vector<int>(4, 255));
  EXPECT_TRUE(reports.reports().empty());
  // A missing file is looked for again at the next start.
  missing.start(55);
  EXPECT_EQ(DepthOfField::getProgram(), 0u);
  setDataFolders({RK17_SOURCE_DIR});
  missing.start(60);
  EXPECT_NE(DepthOfField::getProgram(), 0u);
  EXPECT_TRUE(reports.reports().empty());
}

// The program is read and loaded at the first start only: with the file gone afterwards, later
// starts of this and of a new instance keep it and the capture is the same to the bit.
TEST_F(DepthOfFieldTest, LaterStartsReadNoFile) {
  ReportCapture reports;
  DepthOfField::releaseProgram();
  auto capture = [](DepthOfField& dof) {
    frame(dof, 20);
    std::vector<uint32_t> pixels(size_t(1024) * 1024);
    glBindTexture(GL_TEXTURE_2D, dof.getCapture().getTexture());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
  };
  DepthOfField dof;
  set(dof, "Constant", 1.0f);
  set(dof, "Weight1", 0.75f);
  startOnStrips(dof, {50, 150, 175, 300});
  const GLuint program = DepthOfField::getProgram();
  ASSERT_NE(program, 0u);
  const std::vector<uint32_t> first = capture(dof);
  EXPECT_EQ(first[512 * 1024 + 128 + 256] >> 24, 128u);  // the focus came from the program

  setDataFolders({"/nonexistent"});
  startOnStrips(dof, {50, 150, 175, 300});
  EXPECT_EQ(DepthOfField::getProgram(), program);
  EXPECT_TRUE(capture(dof) == first);
  DepthOfField other;
  set(other, "Constant", 1.0f);
  set(other, "Weight1", 0.75f);
  startOnStrips(other, {50, 150, 175, 300});
  EXPECT_EQ(DepthOfField::getProgram(), program);
  EXPECT_TRUE(glIsProgramARB(program));
  EXPECT_TRUE(capture(other) == first);
  EXPECT_TRUE(reports.reports().empty());
}

// The show's scenes through DOF with the show's settings: the garden (Scene2 in its linear fog,
// two passes) and the head (from "Camera01", one pass). Both paths give the same picture within
// one step, and it shows the scene rather than black; the passes themselves (through Blur's split
// programs in the capture's context on the fast path) leave the same blurred picture to the bit.
TEST_F(DepthOfFieldTest, ShowScenesLookTheSameOnBothPaths) {
  struct SceneCase {
    const char* effect;
    const char* file;
    const char* camera;  // nullptr: the scene's first
    std::vector<std::pair<const char*, float>> sceneSettings, dofSettings;
    double lit;  // least fraction of the window whose red exceeds 16
  };
  const SceneCase cases[] = {
      {"Scene2",
       "data/scenes/scene2.vdg",
       nullptr,
       {{"Fog", 1.0f}, {"FogMode", 2.0f}, {"FogR", 0.35f}, {"FogG", 0.3f}, {"FogB", 0.45f}},
       {{"BlurAmount", 1.0f}, {"BlurFactor", 0.5f}, {"Constant", 0.5f}, {"Weight1", 1.6f}, {"Weight2", 0.0f}},
       0.5},
      {"Head",
       "data/scenes/head.vdg",
       "Camera01",
       {},
       {{"BlurAmount", 0.0f}, {"BlurFactor", 0.5f}, {"Constant", 1.0f}, {"Weight1", 1.45f}, {"Weight2", 0.0f}},
       0.05},
  };
  ReportCapture reports;
  const std::string previous = std::filesystem::current_path().string();
  std::filesystem::current_path(RK17_BINARY_DIR "/generated");
  setDataFolders({".", RK17_SOURCE_DIR});
  for (const SceneCase& c : cases) {
    SCOPED_TRACE(c.effect);
    std::vector<uint32_t> pictures[2], blurred[2];
    // Each path from a new list: the head turns a step with every update.
    for (int fast = 0; fast < 2; ++fast) {
      EffectList list(EffectTable::rows());
      EffectList::setCurrent(&list);
      list.insert(c.effect);
      list.insert("DOF");
      Effect& scene = *list.find(c.effect);
      Effect& dof = *list.find("DOF");
      scene.addString(0, c.file);
      for (const auto& value : c.sceneSettings) set(scene, value.first, value.second);
      for (const auto& value : c.dofSettings) set(dof, value.first, value.second);
      if (c.camera) {
        EffectEvent camera;
        camera.type = 18;
        camera.text = c.camera;
        scene.handleEvent(camera);
      }
      link(dof, c.effect);
      dof.start(0);
      Blur::setFastPath(fast == 1);
      frame(dof, 2000);
      const std::string name = std::string("dof-") + c.effect + (fast ? "-fast.png" : "-literal.png");
      savePicture(name.c_str());
      pictures[fast].resize(size_t(width() * height()));
      glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, pictures[fast].data());
      const PBuffer* result = static_cast<DepthOfField&>(dof).getResult();
      ASSERT_NE(result, nullptr);
      blurred[fast].resize(size_t(result->getWidth()) * size_t(result->getHeight()));
      glBindTexture(GL_TEXTURE_2D, result->getTexture());
      glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, blurred[fast].data());
      glBindTexture(GL_TEXTURE_2D, 0);
    }
    EXPECT_TRUE(blurred[0] == blurred[1]);
    int worst = 0;
    size_t lit = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) {
      for (int shift : {0, 8, 16}) {
        const int literal = int((pictures[0][i] >> shift) & 0xff), fast = int((pictures[1][i] >> shift) & 0xff);
        worst = std::max(worst, std::abs(literal - fast));
        if (shift == 0 && literal > 16) ++lit;
      }
    }
    EXPECT_LE(worst, 1);
    EXPECT_GT(double(lit), c.lit * double(pictures[0].size()));
  }
  EffectList::setCurrent(_strips.get());
  setDataFolders({RK17_SOURCE_DIR});
  std::filesystem::current_path(previous);
  EXPECT_TRUE(reports.reports().empty());
}

}  // namespace
