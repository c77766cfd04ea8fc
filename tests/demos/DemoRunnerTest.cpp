// The entry's frame loop, keys and window close, driven through injected clock readings and
// SDL events on a real window (X server when there is one, else SDL's offscreen driver); the
// show's restarts give back the GL objects of the load they replace.
#include "DemoClock.h"
#include "DemoRunner.h"
#include "DemoSettings.h"
#include "MemoryFile.h"
#include "ShowPack.h"
#include "TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <cstdlib>
#include <deque>
#include <vector>

namespace {

std::deque<int64_t> gReadings;  // ms; the last one repeats once the queue runs dry
int64_t gLast = 0;
int64_t scriptedCounter() {
  if (!gReadings.empty()) {
    gLast = gReadings.front();
    gReadings.pop_front();
  }
  return gLast;
}

class DemoRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    _dir.write("data/scripts/demo.scr", "DEMO_END 1000\n");
    ASSERT_TRUE(packShowData(_dir.path()));
    demoSettings() = DemoSettings();
    gReadings.clear();
    gLast = 0;
    ASSERT_TRUE(_runner.startUp());
    demoSettings().endTime = 1000;
    // Drop the window's own start-up events so each test sees only what it pushes.
    for (int i = 0; i < 5; ++i) {
      SDL_Delay(10);
      SDL_PumpEvents();
      SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
  }
  void TearDown() override {
    _runner.shutDown();
    leavePackMode();  // startUp switched the whole process to the pack
  }

  // Queues the two clock readings of the next frame.
  void nextFrameReads(int64_t first, int64_t second) { gReadings = {first, second}; }
  // Runs frames (one event each) until the event queue is empty or the loop ends; returns
  // whether the loop goes on.
  bool runUntilIdle() {
    for (int i = 0; i < 100; ++i) {
      SDL_PumpEvents();
      if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) return true;
      nextFrameReads(10, 20);
      if (!_runner.runOneFrame()) return false;
    }
    return true;
  }
  void pushKey(SDL_Keycode key) {
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
  }

  TempDir _dir{true};
  DemoClock _clock{scriptedCounter, 1000};
  DemoRunner _runner{_clock};
};

TEST_F(DemoRunnerTest, EndTestUsesTheSecondReading) {
  const struct {
    int32_t end;
    int64_t first, second;
    bool shown;
  } frames[] = {
      {1000, 500, 999, true},      // before the end time
      {1000, 999, 1000, true},     // equal to the end time: still shown
      {1000, 1000, 1001, false},   // past it: rendered, not shown, loop ends
      {1000, -20, -10, true},      // a show started before zero plays on
      {1000, -3000, 2000, false},  // the second reading counts, not the first
      {1000, 2000, -1, true},      // the same the other way round
      {-100, -200, -100, true},    // an end before zero works the same way
      {-100, -200, -99, false},    // past an end before zero
      {-100, 0, 0, false},         // zero is past an end before zero
      {0, -1, 0, true},            // an end at zero shows zero
  };
  for (const auto& f : frames) {
    demoSettings().endTime = f.end;
    const unsigned long swaps = _runner.engine().swapCount();
    const unsigned long rendered = _runner.framesRendered();
    nextFrameReads(f.first, f.second);
    EXPECT_EQ(_runner.runOneFrame(), f.shown) << f.end << " " << f.second;
    EXPECT_EQ(_runner.engine().swapCount(), swaps + (f.shown ? 1 : 0)) << f.end << " " << f.second;
    EXPECT_EQ(_runner.framesRendered(), rendered + 1) << f.end << " " << f.second;
  }
}

TEST_F(DemoRunnerTest, LoopRunsUntilTheClockPassesTheEnd) {
  for (int64_t t = 0; t <= 1000; t += 100) gReadings.push_back(t);
  gReadings.push_back(1001);
  const unsigned long swaps = _runner.engine().swapCount();
  _runner.runFrameLoop();
  // Readings 0..1000 in pairs: (0,100) ... (800,900) shown, (1000,1001) ends the loop.
  EXPECT_EQ(_runner.engine().swapCount() - swaps, 5u);
  EXPECT_FALSE(demoSettings().quit);
}

TEST_F(DemoRunnerTest, KeysAreIgnoredUntilInputIsEnabled) {
  demoSettings().inputEnabled = false;
  pushKey(SDLK_ESCAPE);
  EXPECT_TRUE(runUntilIdle());
  EXPECT_FALSE(demoSettings().quit);

  demoSettings().inputEnabled = true;
  pushKey(SDLK_ESCAPE);
  EXPECT_FALSE(runUntilIdle());
  EXPECT_TRUE(demoSettings().quit);
}

TEST_F(DemoRunnerTest, KeyReleasesAndOtherKeysDoNothing) {
  SDL_Event up = {};
  up.type = SDL_KEYUP;
  up.key.keysym.sym = SDLK_ESCAPE;
  SDL_PushEvent(&up);
  pushKey(SDLK_a);
  EXPECT_TRUE(runUntilIdle());
  EXPECT_FALSE(demoSettings().quit);
}

TEST_F(DemoRunnerTest, AtMostOneEventPerFrame) {
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  pushKey(SDLK_m);
  pushKey(SDLK_m);
  pushKey(SDLK_m);
  const bool music = demoSettings().music;
  nextFrameReads(10, 20);
  _runner.runOneFrame();
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 2);
  EXPECT_NE(demoSettings().music, music);
  nextFrameReads(30, 40);
  _runner.runOneFrame();
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 1);
}

TEST_F(DemoRunnerTest, MouseMotionDoesNotHoldUpAKey) {
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  for (int i = 0; i < 50; ++i) {
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = SDL_GetWindowID(_runner.engine().window());
    SDL_PushEvent(&motion);
  }
  pushKey(SDLK_ESCAPE);
  pushKey(SDLK_m);  // still one message per frame: this one waits for the next frame
  const bool music = demoSettings().music;
  nextFrameReads(10, 20);
  _runner.runOneFrame();
  EXPECT_TRUE(demoSettings().quit);
  EXPECT_EQ(demoSettings().music, music);
}

TEST_F(DemoRunnerTest, ClosingTheWindowEndsTheLoop) {
  SDL_Event close = {};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.windowID = SDL_GetWindowID(_runner.engine().window());
  SDL_PushEvent(&close);
  EXPECT_FALSE(runUntilIdle());
  EXPECT_TRUE(demoSettings().quit);
}

TEST_F(DemoRunnerTest, F1TogglesTheFullScreenFlag) {
  const bool before = demoSettings().fullscreen;
  pushKey(SDLK_F1);
  runUntilIdle();
  EXPECT_NE(demoSettings().fullscreen, before);
  pushKey(SDLK_F1);
  runUntilIdle();
  EXPECT_EQ(demoSettings().fullscreen, before);
}

TEST_F(DemoRunnerTest, SpaceRestartsTheClockAtTheStartTime) {
  demoSettings().startTime = 0;
  gReadings = {777};  // counter value read by the restart
  pushKey(SDLK_SPACE);
  gReadings.push_back(777);  // (after the event) first reading of the frame
  gReadings.push_back(800);
  _runner.runOneFrame();
  gReadings = {777 + 250};
  EXPECT_EQ(_clock.now(), 250);
}

// Live GL objects of each kind among the first names the GL hands out (the window's share group;
// the GL lists framebuffer objects of every context of the group there too).
struct GLObjects {
  int textures = 0, framebuffers = 0, renderbuffers = 0, buffers = 0, programs = 0, vertexPrograms = 0,
      samplers = 0;
  bool operator==(const GLObjects& o) const {
    return textures == o.textures && framebuffers == o.framebuffers && renderbuffers == o.renderbuffers &&
           buffers == o.buffers && programs == o.programs && vertexPrograms == o.vertexPrograms &&
           samplers == o.samplers;
  }
};

std::ostream& operator<<(std::ostream& out, const GLObjects& o) {
  return out << "textures " << o.textures << ", framebuffers " << o.framebuffers << ", renderbuffers "
             << o.renderbuffers << ", buffers " << o.buffers << ", programs " << o.programs << ", vertex programs "
             << o.vertexPrograms << ", samplers " << o.samplers;
}

GLObjects countGLObjects() {
  constexpr GLuint kNames = 20000;
  GLObjects o;
  for (GLuint n = 1; n <= kNames; ++n) {
    o.textures += glIsTexture(n);
    o.framebuffers += glIsFramebuffer(n);
    o.renderbuffers += glIsRenderbuffer(n);
    o.buffers += glIsBuffer(n);
    o.programs += glIsProgram(n);
    o.vertexPrograms += glIsProgramARB(n);
    o.samplers += glIsSampler(n);
  }
  return o;
}

// The show's own script and data: every load after the first makes what it replaces and no more.
TEST(DemoRunnerRestartTest, RestartsGiveBackTheGLObjectsOfTheLoadTheyReplace) {
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
  TempDir dir{true};
  demoSettings() = DemoSettings();
  gReadings.clear();
  gLast = 0;
  DemoClock clock{scriptedCounter, 1000};
  DemoRunner runner{clock};
  AuthoringOptions options;
  options.dataFolders = {RK17_SOURCE_DIR, RK17_BINARY_DIR "/generated"};
  options.windowed = true;
  runner.setAuthoring(options, nullptr);
  ASSERT_TRUE(runner.startUp());
  std::vector<GLObjects> counts;
  for (int load = 0; load < 4; ++load) {
    if (load > 0) runner.startDemo();
    gReadings = {50, 60};
    runner.runOneFrame();
    counts.push_back(countGLObjects());
  }
  runner.shutDown();
  setDataFolders({});
  for (size_t load = 2; load < counts.size(); ++load) EXPECT_EQ(counts[load], counts[1]) << "load " << load + 1;
}

}  // namespace
