#include "ShowFixture.h"
#include "TestGLContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

// Every operator new of this test program is counted: a steady frame step must make none.
namespace {
std::atomic<long> gNewCalls{0};
}  // namespace

// Not inlined: GCC would otherwise pair the malloc and free inside them with the callers'
// new and delete and warn about a mismatch.
__attribute__((noinline)) void* operator new(size_t size) {
  gNewCalls.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept { std::free(p); }
// The library's temporary buffers come from the nothrow form: it must pair with the delete above.
__attribute__((noinline)) void* operator new(size_t size, const std::nothrow_t&) noexcept {
  gNewCalls.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
__attribute__((noinline)) void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {
EffectEvent eventFor(const std::string& name, uint32_t time, int32_t type, float value = 0.0f) {
  EffectEvent e;
  e.effectName = name;
  e.time = time;
  e.type = type;
  e.value = value;
  return e;
}

class TimelineTest : public ShowFixture {
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
  }
  // Entries of the log that contain text.
  static std::vector<std::string> logWith(const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& s : RecordingEffect::log())
      if (s.find(text) != std::string::npos) out.push_back(s);
    return out;
  }
  static TestGLContext* gl;
};
TestGLContext* TimelineTest::gl = nullptr;
}  // namespace

TEST(TimelineQueue, StableSortIsDueAndNext) {
  Timeline t;
  t.schedule(eventFor("A", 300, 1));
  t.schedule(eventFor("B", 100, 2));
  t.schedule(eventFor("C", 300, 3));
  t.schedule(eventFor("D", 100, 4));
  t.sort();
  std::vector<int32_t> order;
  for (const EffectEvent& e : t.getEvents()) order.push_back(e.type);
  EXPECT_EQ(order, (std::vector<int32_t>{2, 4, 1, 3}));
  EXPECT_FALSE(t.isDue(99));
  EXPECT_TRUE(t.isDue(100));
  EXPECT_EQ(t.next().type, 2);
  EXPECT_EQ(t.next().type, 4);
  EXPECT_FALSE(t.isDue(299));
  EXPECT_EQ(t.next().type, 1);
  EXPECT_EQ(t.next().type, 3);
  EXPECT_FALSE(t.isDue(0xFFFFFFFFu));
  EXPECT_EQ(t.next().effectName, "");  // past the end: an empty event, no overrun
  EXPECT_EQ(t.getCursor(), 4u);
  t.sort();  // rewinds
  EXPECT_TRUE(t.isDue(100));
  t.clear();
  EXPECT_FALSE(t.isDue(0xFFFFFFFFu));
}

struct SpanCase {
  uint32_t time;
  bool runs;
};

TEST_F(TimelineTest, SpanBoundariesDecideUpdateAndRender) {
  list.insert("Fade");
  RecordingEffect* fade = effect("Fade");
  fade->getActive().setKey(1.0f, 1000);
  fade->getActive().setKey(0.0f, 2000);
  const SpanCase cases[] = {{999, false}, {1000, true}, {1999, true}, {2000, false}};
  for (const SpanCase& c : cases) {
    RecordingEffect::log().clear();
    timeline.runFrame(c.time);
    const std::string t = std::to_string(c.time);
    const std::vector<std::string> expected =
        c.runs ? std::vector<std::string>{"Fade update " + t, "Fade render " + t} : std::vector<std::string>{};
    EXPECT_EQ(RecordingEffect::log(), expected) << c.time;
    EXPECT_EQ(fade->wasActive(), c.runs) << c.time;
  }
}

TEST_F(TimelineTest, NothingHappensBeforeZero) {
  // A start time below 0: the frames before 0 deliver nothing (not even the events at 0) and
  // draw nothing; the frame at 0 then does all of it.
  list.insert("Fade");
  effect("Fade")->getActive().setKey(1.0f, 0);
  timeline.schedule(eventFor("Fade", 0, 7));
  timeline.schedule(eventFor("Fade", 500, 8));
  timeline.sort();
  for (int32_t t : {-1000, -500, -1}) timeline.runFrame(t);
  EXPECT_TRUE(RecordingEffect::log().empty());
  EXPECT_EQ(timeline.getCursor(), 0u);
  timeline.runFrame(0);
  EXPECT_EQ(RecordingEffect::log(), (std::vector<std::string>{"Fade event 7 0", "Fade update 0", "Fade render 0"}));
}

TEST_F(TimelineTest, EventsComeFirstInTimeThenScheduleOrder) {
  list.insert("Fade");
  list.insert("Flash");
  effect("Fade")->getActive().setKey(1.0f, 0);
  timeline.schedule(eventFor("Flash", 3000, 7));
  timeline.schedule(eventFor("Fade", 1000, 8));
  timeline.schedule(eventFor("Fade", 1000, 9));
  timeline.schedule(eventFor("Ghost", 1500, 10));  // no such instance: consumed silently
  timeline.schedule(eventFor("Fade", 9000, 11));
  timeline.sort();
  timeline.runFrame(500);
  EXPECT_TRUE(logWith("event").empty());
  RecordingEffect::log().clear();
  // A stall: everything due up to 5000 arrives in one frame, in order, before any update.
  timeline.runFrame(5000);
  EXPECT_EQ(RecordingEffect::log(),
            (std::vector<std::string>{"Fade event 8 1000", "Fade event 9 1000", "Flash event 7 3000",
                                      "Fade update 5000", "Fade render 5000"}));
  EXPECT_EQ(timeline.getCursor(), 4u);
  RecordingEffect::log().clear();
  timeline.runFrame(4000);  // earlier than delivered events: nothing again
  EXPECT_TRUE(logWith("event").empty());
}

TEST_F(TimelineTest, DeliverDueHandsOutEventsUpToItsTimeAndDrawsNothing) {
  // The start step sends the events up to the start time before the clock starts: those at the time
  // itself go too, later ones wait for their frame, and no effect is updated or drawn.
  list.insert("Fade");
  effect("Fade")->getActive().setKey(1.0f, 0);
  timeline.schedule(eventFor("Fade", 0, 7));
  timeline.schedule(eventFor("Fade", 2000, 8));
  timeline.schedule(eventFor("Fade", 2001, 9));
  timeline.sort();
  timeline.deliverDue(2000);
  EXPECT_EQ(RecordingEffect::log(), (std::vector<std::string>{"Fade event 7 0", "Fade event 8 2000"}));
  EXPECT_EQ(timeline.getCursor(), 2u);
  RecordingEffect::log().clear();
  Timeline::updateEffects(list, 2000);  // the update half alone: no render
  EXPECT_EQ(RecordingEffect::log(), (std::vector<std::string>{"Fade update 2000"}));
  EXPECT_TRUE(effect("Fade")->wasActive());
  RecordingEffect::log().clear();
  timeline.runFrame(2001);  // the first frame: only what is left
  EXPECT_EQ(RecordingEffect::log(),
            (std::vector<std::string>{"Fade event 9 2001", "Fade update 2001", "Fade render 2001"}));
}

TEST_F(TimelineTest, StartAtTheBeginKeyComesBeforeTheFirstUpdate) {
  list.insert("Fade");
  RecordingEffect* fade = effect("Fade");
  fade->getActive().setKey(1.0f, 1000);
  timeline.schedule(eventFor("Fade", 1000, 0));
  timeline.sort();
  timeline.runFrame(1000);
  EXPECT_EQ(fade->getLocalTime(), 0u);
  timeline.runFrame(1040);
  EXPECT_EQ(fade->getLocalTime(), 40u);
}

TEST_F(TimelineTest, InactiveInstancesGetEventsButNoFrames) {
  list.insert("Flash");
  RecordingEffect* flash = effect("Flash");
  timeline.schedule(eventFor("Flash", 100, 0));
  timeline.sort();
  timeline.runFrame(200);
  EXPECT_EQ(RecordingEffect::log(), (std::vector<std::string>{"Flash start 100", "Flash event 0 100"}));
  EXPECT_EQ(flash->getStartTime(), 100u);
  EXPECT_FALSE(flash->wasActive());
}

TEST_F(TimelineTest, LaterInstancesRenderLater) {
  list.insert("Flash");
  list.insert("Fade");
  effect("Flash")->getActive().setKey(1.0f, 0);
  effect("Fade")->getActive().setKey(1.0f, 0);
  timeline.runFrame(10);
  EXPECT_EQ(RecordingEffect::log(),
            (std::vector<std::string>{"Flash update 10", "Fade update 10", "Flash render 10", "Fade render 10"}));
}

TEST_F(TimelineTest, ViewportAndMatrixStacks) {
  list.insert("Fade");
  RecordingEffect* fade = effect("Fade");
  fade->getActive().setKey(1.0f, 0);
  glViewport(1, 2, 3, 4);
  glMatrixMode(GL_PROJECTION);
  GLint projectionDepth = 0;
  GLint modelviewDepth = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
  timeline.runFrame(0);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 64, 48}));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLint after[2] = {};
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &after[0]);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after[1]);
  EXPECT_EQ(after[0], projectionDepth);
  EXPECT_EQ(after[1], modelviewDepth);
  EXPECT_EQ(fade->renderMatrixDepths[0], projectionDepth + 1);
  EXPECT_EQ(fade->renderMatrixDepths[1], modelviewDepth + 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TimelineTest, EmptyFrameOnlySetsTheViewport) {
  glViewport(5, 5, 5, 5);
  timeline.runFrame(0);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 64);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TimelineTest, NoEffectListDoesNothing) {
  list.insert("Fade");
  timeline.schedule(eventFor("Fade", 0, 0));
  timeline.sort();
  EffectList::setCurrent(nullptr);
  glViewport(5, 5, 5, 5);
  timeline.runFrame(100);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 5);
  EXPECT_EQ(timeline.getCursor(), 0u);
  EffectList::setCurrent(&list);
}

namespace {
// An effect whose frame does no work of its own, so the frame step alone is measured.
class QuietEffect : public Effect {
 public:
  explicit QuietEffect(const std::string& name) : Effect(name) {}
  void render(uint32_t) override { ++renders; }
  int renders = 0;
};
}  // namespace

TEST_F(TimelineTest, SteadyFrameStepsAllocateNothing) {
  for (const char* name : {"A", "B", "C"})
    list.addRegistryRowForTest({name, [](const std::string& n) -> std::unique_ptr<Effect> {
                                  return std::make_unique<QuietEffect>(n);
                                }});
  for (const char* name : {"A", "B", "C"}) list.insert(name);
  list.find("A")->getActive().setKey(1.0f, 0);
  list.find("B")->getActive().setKey(0.0f, 0);
  list.find("B")->getActive().setKey(1.0f, 500);
  list.find("C")->getActive().setKey(0.0f, 0);
  timeline.schedule(eventFor("A", 0, 0));
  timeline.sort();
  // Events whose names and texts are too long to be held in place are delivered too.
  const std::string longText(Timeline::kReservedText, 'x');
  for (uint32_t t = 300; t <= 1500; t += 600) {
    EffectEvent e = eventFor("A", t, 2);
    e.text = longText;
    timeline.schedule(e);
  }
  EffectEvent unknown = eventFor("an effect name much longer than fits in place", 1000, 2);
  unknown.text = "data/images/a-picture-with-a-long-name.png";
  timeline.schedule(unknown);
  timeline.sort();
  timeline.runFrame(0);  // delivers the first event
  const long before = gNewCalls.load();
  for (uint32_t t = 100; t <= 2000; t += 100) timeline.runFrame(t);
  EXPECT_EQ(gNewCalls.load() - before, 0);
  EXPECT_EQ(timeline.getCursor(), timeline.getEvents().size());
  EXPECT_EQ(static_cast<QuietEffect*>(list.find("A"))->renders, 21);
  EXPECT_EQ(static_cast<QuietEffect*>(list.find("B"))->renders, 16);
  EXPECT_EQ(static_cast<QuietEffect*>(list.find("C"))->renders, 0);
}
