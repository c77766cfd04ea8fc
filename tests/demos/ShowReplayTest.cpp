// Whole shows captured in memory on the stepped clock: the warm-up, a start before zero and a
// restart must not change a single pixel of what the show draws.
#include "CommandLine.h"
#include "DemoClock.h"
#include "DemoRunner.h"
#include "DemoSettings.h"
#include "FrameCapture.h"
#include "FrameSink.h"
#include "MemoryFile.h"
#include "TempDir.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Frame = std::vector<uint8_t>;

// Keeps every shown frame; at frame spaceAt it queues a Space press, which the next frame takes.
class MemorySink : public FrameSink {
 public:
  bool prepare() override { return true; }
  bool writeFrame(int width, int height) override {
    Frame pixels(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    frames.push_back(std::move(pixels));
    if (int(frames.size()) - 1 == spaceAt) {
      SDL_Event e = {};
      e.type = SDL_KEYDOWN;
      e.key.keysym.sym = SDLK_SPACE;
      SDL_PushEvent(&e);
    }
    return true;
  }
  std::vector<Frame> frames;
  int spaceAt = -1;
};

const char* const kDefinitions =
    "__DEFS__\n"
    "DEFINE FLICKER 1\nDEFINE LINK 2\nDEFINE PICK 6\nDEFINE POS 7\nDEFINE SHAKE 10\nDEFINE SPIN 11\n"
    "DEFINE INHERIT 16\nDEFINE CAMERA_BY_NAME 18\nDEFINE SHOW 20\nDEFINE SHADOWS 21\nDEFINE FOV 25\n";

// The show of header + definitions + body, captured at fps from `from` to `to` (ms of capture
// time) with the show's generated pictures and scenes.
std::vector<Frame> capture(const std::string& header, const std::string& body, int fps, int32_t from, int32_t to,
                           bool warmUp = true, int spaceAt = -1) {
  TempDir dir;
  dir.write("data/scripts/demo.scr", header + kDefinitions + body);
  AuthoringOptions authoring;
  authoring.windowed = true;
  authoring.dataFolders = {dir.path(), RK17_BINARY_DIR "/generated", RK17_SOURCE_DIR};
  CaptureOptions options;
  options.fps = fps;
  options.fromMs = from;
  options.hasTo = true;
  options.toMs = to;
  MemorySink sink;
  sink.spaceAt = spaceAt;
  demoSettings() = DemoSettings();
  DemoClock clock(FrameCapture::counter, 1000);
  DemoRunner runner(clock);
  runner.setAuthoring(authoring, nullptr);
  runner.setWarmUp(warmUp);
  EXPECT_EQ(runner.runCapture(sink, options), 0);
  leavePackMode();
  return sink.frames;
}

// Index of the first differing frame, or -1 when a[i] equals b[i] for every i < count.
int firstDifference(const std::vector<Frame>& a, size_t aFrom, const std::vector<Frame>& b, size_t bFrom,
                    size_t count) {
  if (a.size() < aFrom + count || b.size() < bFrom + count) return 0;
  for (size_t i = 0; i < count; ++i)
    if (a[aFrom + i] != b[bFrom + i]) return int(i);
  return -1;
}

class ShowReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
  }
};

// Events at the start time act as in the first frame, whatever the warm-up rehearsed before.
TEST_F(ShowReplayTest, EventsAtTheStartTimeActAsWithoutTheWarmUp) {
  const struct {
    const char* what;
    const char* body;
  } cases[] = {
      {"image overlay",
       "__SETUP__\nINSERT_EFFECT Image\n0 s Image Datafile \"data/images/title.png\"\n"
       "__TIMELINE__\n0 i Image\n0 b Image\n0 t Image POS 0 0.25\n"},
      {"scene effect",
       "__SETUP__\nINSERT_EFFECT Scene1\n0 s Scene1 Datafile \"data/scenes/head.vdg\"\n"
       "__TIMELINE__\n0 i Scene1\n0 b Scene1\n0 t Scene1 PICK \"head\"\n0 t Scene1 SPIN 0 90 0\n"
       "0 t Scene1 INHERIT 1\n"},
      {"Blur",
       "__SETUP__\nINSERT_EFFECT Image\nINSERT_EFFECT Blur\n0 s Image Datafile \"data/images/title.png\"\n"
       "__TIMELINE__\n0 i Image\n0 i Blur\n0 t Blur LINK \"Image\"\n0 s Blur DoBlur 1\n0 b Blur\n"
       "0 t Blur SHAKE 1 1 400\n"},
      {"a span that begins after its start and spin",
       "__SETUP__\nINSERT_EFFECT Scene1\n0 s Scene1 Datafile \"data/scenes/head.vdg\"\n"
       "__TIMELINE__\n0 i Scene1\n0 t Scene1 PICK \"head\"\n0 t Scene1 SPIN 0 90 0\n0 t Scene1 INHERIT 1\n"
       "200 b Scene1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<Frame> rehearsed = capture("DEMO_END 400\n", c.body, 10, 0, 400, true);
    const std::vector<Frame> plain = capture("DEMO_END 400\n", c.body, 10, 0, 400, false);
    ASSERT_EQ(rehearsed.size(), 5u);
    EXPECT_EQ(firstDifference(rehearsed, 0, plain, 0, 5), -1);
  }
}

// A start before zero shows nothing until 0 and from there the same frames as a start at 0: no
// event is due early, no effect runs at a time it would read as a huge unsigned one.
TEST_F(ShowReplayTest, AStartBeforeZeroPlaysFromZeroAsAStartAtZero) {
  const std::string body =
      "__SETUP__\nINSERT_EFFECT Image\nINSERT_EFFECT Splinzor\n0 s Image Datafile \"data/images/title.png\"\n"
      "__TIMELINE__\n0 i Image\n0 b Image\n500 t Image POS 0 0.25\n0 i Splinzor\n0 b Splinzor\n";
  const std::vector<Frame> early = capture("DEMO_START -1000\nDEMO_END 800\n", body, 10, -1000, 800);
  const std::vector<Frame> atZero = capture("DEMO_START 0\nDEMO_END 800\n", body, 10, 0, 800);
  ASSERT_EQ(early.size(), 19u);
  ASSERT_EQ(atZero.size(), 9u);
  EXPECT_EQ(firstDifference(early, 10, atZero, 0, 9), -1);
  const Frame black(early[0].size(), 0);
  for (size_t k = 0; k < 10; ++k) EXPECT_EQ(early[k] == black, true) << "frame " << k;
}

// Space replays the show: the frames after a restart equal the first run's at the same demo
// times, with events changing a cached scene (flicker, pick, spin, inherit, camera, visibility,
// shadows, field of view) and effects that draw from the random sequence.
TEST_F(ShowReplayTest, ARestartReplaysTheFirstRun) {
  const std::string body =
      "__SETUP__\nINSERT_EFFECT Scene1\nINSERT_EFFECT Splinzor\nINSERT_EFFECT Cloud\n"
      "0 s Scene1 Datafile \"data/scenes/head.vdg\"\n"
      "__TIMELINE__\n0 i Scene1\n0 b Scene1\n0 t Scene1 PICK \"head\"\n0 t Scene1 SPIN 0 90 0\n"
      "100 t Scene1 FLICKER 1\n100 t Scene1 INHERIT 1\n200 t Scene1 CAMERA_BY_NAME \"Camera02\"\n"
      "200 t Scene1 FOV 70\n300 t Scene1 PICK \"eyeL\"\n300 t Scene1 SHOW 0\n400 t Scene1 SHADOWS 1\n"
      "0 i Splinzor\n0 b Splinzor\n0 i Cloud\n0 b Cloud\n0 s Cloud Num 0.05\n";
  // Frames 0..6 show demo times 0..600 (at the end time every span is over: 600 is black);
  // Space during frame 6, so frame 7 shows 0 again.
  const std::vector<Frame> frames = capture("DEMO_END 600\n", body, 10, 0, 1300, true, 6);
  ASSERT_EQ(frames.size(), 14u);
  EXPECT_NE(frames[0], frames[5]);  // the events and the random sequence changed the picture
  EXPECT_EQ(firstDifference(frames, 7, frames, 0, 7), -1);
}

}  // namespace
