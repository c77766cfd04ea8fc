#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "EffectWarmUp.h"
#include "Random.h"
#include "ShowFixture.h"
#include "TestGLContext.h"

namespace {
// Fills the viewport with a grey drawn from the random sequence and remembers what it saw.
class GreyEffect : public Effect {
 public:
  explicit GreyEffect(const std::string& name) : Effect(name) { registerFloat(level, "Level", 1.0f); }
  void start(uint32_t time) override {
    Effect::start(time);
    ++starts;
  }
  void update(uint32_t time) override {
    Effect::update(time);
    ++updates;
    updateTimes.push_back(time);
  }
  void render(uint32_t time) override {
    ++renders;
    renderedAt = time;
    times.push_back(time);
    phases.push_back(getPhase());
    linkSeen = getLinkedEffect();
    const float grey = static_cast<float>(nextRandom()) / 32767.0f * level.valueAt(time);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(grey, grey, grey);
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
  }
  FloatVariable level;  // "Level": scales the grey
  int starts = 0;
  int updates = 0;
  int renders = 0;
  uint32_t renderedAt = 0;
  std::vector<uint32_t> times;        // of every render
  std::vector<uint32_t> updateTimes;  // of every update
  std::vector<float> phases;    // at every render
  Effect* linkSeen = nullptr;
};

EffectEvent event(const std::string& name, uint32_t time, int32_t type, const std::string& text = "") {
  EffectEvent e;
  e.effectName = name;
  e.time = time;
  e.type = type;
  e.text = text;
  return e;
}

class EffectWarmUpTest : public ShowFixture {
 protected:
  static void SetUpTestSuite() { gl = new TestGLContext(64, 48); }
  static void TearDownTestSuite() {
    delete gl;
    gl = nullptr;
  }
  void SetUp() override {
    if (!gl->ok()) GTEST_SKIP() << "no GL context";
    ShowFixture::SetUp();
    EffectVariable::setEndKeyTime(60000);
    demoSettings().screenWidth = 64;
    demoSettings().screenHeight = 48;
    for (const char* name : {"A", "B", "C"}) {
      list.addRegistryRowForTest(
          {name, [](const std::string& n) -> std::unique_ptr<Effect> { return std::make_unique<GreyEffect>(n); }});
      list.insert(name);
    }
  }
  GreyEffect* grey(const char* name) { return static_cast<GreyEffect*>(list.find(name)); }
  static TestGLContext* gl;
};
TestGLContext* EffectWarmUpTest::gl = nullptr;

// Per rehearsed time t: kDrawn whole frames, the last at t + kLastDrawn, and kSteps update
// passes in all, the last at t + kLastStep.
constexpr int kDrawn = EffectWarmUp::kDrawnFrames;
constexpr int kSteps = EffectWarmUp::kFramesPerTime;
constexpr uint32_t kLastDrawn = (EffectWarmUp::kDrawnFrames - 1) * EffectWarmUp::kFrameStepMs;
constexpr uint32_t kLastStep = (EffectWarmUp::kFramesPerTime - 1) * EffectWarmUp::kFrameStepMs;

struct ActiveCase {
  const char* what;
  std::function<void(BoolVariable&)> keys;
  uint32_t from;
  bool found;
  uint32_t time;
};
}  // namespace

TEST_F(EffectWarmUpTest, FirstActiveTime) {
  const auto span = [](BoolVariable& v) {
    v.setKey(0.0f, 0);
    v.setKey(1.0f, 1000);
    v.setKey(0.0f, 2000);
  };
  const auto twoSpans = [](BoolVariable& v) {
    v.setKey(0.0f, 0);
    v.setKey(1.0f, 1000);
    v.setKey(0.0f, 2000);
    v.setKey(1.0f, 3000);
    v.setKey(0.0f, 4000);
  };
  const ActiveCase cases[] = {
      {"before the span", span, 0, true, 1000},
      {"inside the span", span, 1500, true, 1500},
      {"at its last ms", span, 1999, true, 1999},
      {"at its end", span, 2000, false, 0},
      {"between two spans", twoSpans, 2500, true, 3000},
      {"on over the whole show", [](BoolVariable& v) { v.setKey(1.0f, 0); }, 700, true, 700},
      {"past the end key: the current value (off)", [](BoolVariable& v) { v.setKey(1.0f, 0); }, 60000, false, 0},
      {"no keys, on", [](BoolVariable& v) { v.setCurrentValue(true); }, 300, true, 300},
      {"no keys, off", [](BoolVariable&) {}, 0, false, 0},
  };
  for (const ActiveCase& c : cases) {
    BoolVariable active;
    c.keys(active);
    uint32_t time = 12345;
    EXPECT_EQ(EffectWarmUp::firstActiveTime(active, c.from, &time), c.found) << c.what;
    if (c.found) {
      EXPECT_EQ(time, c.time) << c.what;
    }
  }
}

TEST_F(EffectWarmUpTest, RehearsesEachFirstSpanWithItsLinkAndLeavesNoTrace) {
  grey("A")->getActive().setKey(0.0f, 0);
  grey("A")->getActive().setKey(1.0f, 1000);
  grey("A")->getActive().setKey(0.0f, 2000);
  grey("B")->getActive().setKey(0.0f, 0);  // never on
  grey("C")->getActive().setKey(0.0f, 0);
  grey("C")->getActive().setKey(1.0f, 500);
  grey("C")->level.setKey(0.5f, 0);
  timeline.schedule(event("A", 800, 2, "B"));
  timeline.schedule(event("A", 5000, 2, "C"));  // after A's first span: not used
  timeline.schedule(event("C", 300, 0));        // C is started before it shows
  timeline.schedule(event("A", 1500, 0));       // inside A's span: not yet
  timeline.sort();
  seedRandom(77);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  const uint32_t patternStep = Effect::getLastPatternStep();
  const bool levelChanged = grey("C")->level.isChanged();

  EXPECT_EQ(EffectWarmUp::run(list, timeline, 0, 60000), 2);

  // Frames from 500 (C alone) and from 1000 (A and C).
  EXPECT_EQ(grey("A")->renders, kDrawn);
  EXPECT_EQ(grey("A")->renderedAt, 1000u + kLastDrawn);
  EXPECT_EQ(grey("A")->updates, kSteps);
  EXPECT_EQ(grey("A")->updateTimes.back(), 1000u + kLastStep);
  EXPECT_EQ(grey("A")->linkSeen, grey("B"));
  EXPECT_EQ(grey("B")->renders + grey("B")->updates, 0);
  EXPECT_EQ(grey("C")->renders, 2 * kDrawn);
  EXPECT_EQ(grey("C")->renderedAt, 1000u + kLastDrawn);
  EXPECT_EQ(grey("C")->updates, 2 * kSteps);
  EXPECT_EQ(grey("C")->linkSeen, nullptr);
  EXPECT_EQ(grey("A")->starts, 0);
  EXPECT_EQ(grey("C")->starts, 1);
  EXPECT_EQ(grey("C")->getStartTime(), 0u);
  // Nothing of the trial remains: clocks, link, activity, sampling, random sequence, GL state.
  for (const char* name : {"A", "C"}) {
    EXPECT_EQ(grey(name)->getLinkedEffect(), nullptr) << name;
    EXPECT_EQ(grey(name)->getCurrentTime(), 0u) << name;
    EXPECT_EQ(grey(name)->getPhase(), 0.0f) << name;
    EXPECT_FALSE(grey(name)->wasActive()) << name;
  }
  EXPECT_EQ(grey("C")->level.isChanged(), levelChanged);
  EXPECT_EQ(randomState(), 77u);
  EXPECT_EQ(Effect::getLastPatternStep(), patternStep);
  EXPECT_EQ(timeline.getCursor(), 0u);
  GLint depth = -1;
  glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 0);
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 1.0f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // The show's frame at 1000 then draws what it would have drawn without the warm-up: A, then C
  // over it with the next two numbers of the sequence seeded 77.
  glClear(GL_COLOR_BUFFER_BIT);
  timeline.runFrame(1000);
  seedRandom(77);
  nextRandom();
  const float expected = static_cast<float>(nextRandom()) / 32767.0f * 0.5f;
  EXPECT_NEAR(redOf(gl->readPixel(10, 10)), expected * 255.0f, 1.0f);
  EXPECT_EQ(grey("A")->renders, kDrawn + 1);
  EXPECT_EQ(grey("A")->linkSeen, grey("B"));  // now through the event itself
}

TEST_F(EffectWarmUpTest, NothingInTheWindowRunsNothing) {
  grey("A")->getActive().setKey(0.0f, 0);
  grey("A")->getActive().setKey(1.0f, 5000);
  EXPECT_EQ(EffectWarmUp::run(list, timeline, 0, 4999), 0);
  EXPECT_EQ(EffectWarmUp::run(list, timeline, 6000, 9000), 1);
  EXPECT_EQ(grey("A")->renders, kDrawn);
  EXPECT_EQ(grey("A")->renderedAt, 6000u + kLastDrawn);
  EXPECT_EQ(grey("B")->renders + grey("C")->renders, 0);
}

TEST_F(EffectWarmUpTest, SpanStarts) {
  const auto threeSpans = [](BoolVariable& v) {
    v.setKey(0.0f, 0);
    v.setKey(1.0f, 1000);
    v.setKey(0.0f, 2000);
    v.setKey(1.0f, 3000);
    v.setKey(1.0f, 3500);  // still on: the same span
    v.setKey(0.0f, 4000);
    v.setKey(1.0f, 5000);
  };
  struct SpanCase {
    const char* what;
    uint32_t from, to;
    std::vector<uint32_t> starts;
  };
  const SpanCase cases[] = {
      {"the whole show", 0, 60000, {1000, 3000, 5000}},
      {"from inside the first span", 1500, 60000, {1500, 3000, 5000}},
      {"up to a span's first ms", 0, 3000, {1000, 3000}},
      {"up to just before it", 0, 2999, {1000}},
      {"between spans", 2000, 2999, {}},
      {"in the last span, open to the end", 5500, 59000, {5500}},
  };
  for (const SpanCase& c : cases) {
    BoolVariable active;
    threeSpans(active);
    EXPECT_EQ(EffectWarmUp::spanStarts(active, c.from, c.to), c.starts) << c.what;
  }
}

TEST_F(EffectWarmUpTest, ALaterSpanWithANewLinkIsRehearsedAndARepeatedOneIsNot) {
  // A: on at 1000 (linked to B), at 3000 (linked to C: rehearsed), at 5000 (linked to B again: not).
  BoolVariable& a = grey("A")->getActive();
  a.setKey(0.0f, 0);
  for (uint32_t on : {1000u, 3000u, 5000u}) {
    a.setKey(1.0f, on);
    a.setKey(0.0f, on + 1000);
  }
  grey("B")->getActive().setKey(0.0f, 0);
  grey("C")->getActive().setKey(0.0f, 0);
  timeline.schedule(event("A", 1000, 2, "B"));
  timeline.schedule(event("A", 3000, 2, "C"));
  timeline.schedule(event("A", 3000, 0));  // restarted with its new input
  timeline.schedule(event("A", 5000, 2, "B"));
  timeline.sort();
  EXPECT_EQ(EffectWarmUp::run(list, timeline, 0, 60000), 2);
  EXPECT_EQ(grey("A")->renders, 2 * kDrawn);
  EXPECT_EQ(grey("A")->renderedAt, 3000u + kLastDrawn);
  EXPECT_EQ(grey("A")->linkSeen, grey("C"));
  EXPECT_EQ(grey("A")->starts, 1);  // at 3000, by its start event
  EXPECT_EQ(grey("A")->getLinkedEffect(), nullptr);
}

TEST_F(EffectWarmUpTest, LaterStepsGoOnWithARisingPhaseWithinTheSpanAndLeaveNoTrace) {
  // A is on for 40 ms only: the steps one frame step apart that fall inside its span update it,
  // the first kDrawn of them draw it too. Its phase rises past 0 in the second frame (what a turn
  // by phase x speed needs to be a real turn), and is 0 again afterwards, as are its clocks.
  grey("A")->getActive().setKey(0.0f, 0);
  grey("A")->getActive().setKey(1.0f, 1000);
  grey("A")->getActive().setKey(0.0f, 1040);
  grey("A")->setSpeed(1.0f);
  grey("B")->getActive().setKey(0.0f, 0);
  grey("C")->getActive().setKey(0.0f, 0);
  timeline.schedule(event("A", 1000, 0));
  timeline.sort();
  seedRandom(5);

  EXPECT_EQ(EffectWarmUp::run(list, timeline, 0, 60000), 1);

  std::vector<uint32_t> inSpan;
  for (uint32_t t = 1000; t < 1040; t += EffectWarmUp::kFrameStepMs) inSpan.push_back(t);
  ASSERT_GT(inSpan.size(), size_t(kDrawn));
  EXPECT_EQ(grey("A")->updateTimes, inSpan);
  EXPECT_EQ(grey("A")->times, std::vector<uint32_t>(inSpan.begin(), inSpan.begin() + kDrawn));
  ASSERT_EQ(grey("A")->phases.size(), size_t(kDrawn));
  EXPECT_EQ(grey("A")->phases.front(), 0.0f);
  EXPECT_GT(grey("A")->phases.back(), 0.0f);
  EXPECT_EQ(grey("A")->getPhase(), 0.0f);
  EXPECT_EQ(grey("A")->getCurrentTime(), 0u);
  EXPECT_EQ(grey("A")->getLocalTime(), 0u);
  EXPECT_EQ(randomState(), 5u);
}
