// The edit session keeps music and clock together: every pause, jump and reload seeks the
// stream to the clock's time; a broken reload keeps the last good script; jumps, the loop and
// the end limit; bars and beats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DemoClock.h"
#include "DemoSettings.h"
#include "EditClock.h"
#include "EditSession.h"
#include "EffectList.h"
#include "EffectTable.h"
#include "FakeSoundLibrary.h"
#include "MemoryFile.h"
#include "MissingFiles.h"
#include "TempDir.h"
#include "Timeline.h"
#include "VelmorMusic.h"

namespace {
using Calls = std::vector<std::string>;

int64_t gRealMs = 0;
int64_t fakeRealTime() { return gRealMs; }

class EditSessionMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    demoSettings() = DemoSettings();
    gRealMs = 0;
    EditClock::setSourceForTest(fakeRealTime);
    EditClock::resume();
    setSoundLibrary(&fake);
    shutdownMusic();
    EffectList::setCurrent(&list);
    Timeline::setCurrent(&timeline);
    dir.write("data/scripts/demo.scr",
              "DEMO_START 500\nDEMO_END 8000\nDEMO_BEAT 250\nINSERT_EFFECT Clear\n0 b Clear\n");
    setDataFolders({dir.path()});
    options.dataFolders = {dir.path()};
    options.edit = true;
  }
  void TearDown() override {
    setDataFolders({});
    EffectList::setCurrent(nullptr);
    Timeline::setCurrent(nullptr);
    shutdownMusic();
    setSoundLibrary(nullptr);
    EditClock::resume();
    EditClock::setLimit(INT64_MAX);
    EditClock::setSourceForTest(nullptr);
    demoSettings() = DemoSettings();  // the script set start, end and beat
  }
  // Calls made by the sound library since the last look.
  Calls take() {
    Calls calls = fake.calls;
    fake.calls.clear();
    return calls;
  }

  TempDir dir;
  FakeSoundLibrary fake;
  EffectList list{EffectTable::rows()};
  Timeline timeline;
  AuthoringOptions options;
  DemoClock clock{EditClock::counter, 1000};
};

TEST_F(EditSessionMusicTest, PauseJumpsAndReloadsSeekTheMusicToTheClock) {
  EditSession session(clock, options, EffectTable::rows(), "data/scripts/demo.scr");
  session.jumpTo(0);  // before begin: an empty script, the default span
  session.begin();
  take();

  session.jumpTo(1500);
  EXPECT_EQ(clock.now(), 1500);
  EXPECT_EQ(take(), (Calls{"pause 3 on", "seek 7 1500", "play 7 paused", "pause 4 off"}));
  EXPECT_EQ(demoSettings().endTime, 8000);
  ASSERT_EQ(list.size(), 1u);

  gRealMs += 700;
  session.togglePause();
  EXPECT_EQ(take(), (Calls{"pause 4 on"}));
  gRealMs += 5000;
  session.onKey(SDLK_RIGHT);  // one bar of 4 x 250 ms, while paused: no music
  EXPECT_EQ(clock.now(), 3200);
  EXPECT_EQ(take(), (Calls{}));
  session.togglePause();
  EXPECT_EQ(take(), (Calls{"seek 7 3200", "play 7 paused", "pause 5 off"}));

  gRealMs += 300;
  dir.write("data/scripts/demo.scr", "DEMO_END 9000\nINSERT_EFFECT Clear\nINSERT_EFFECT Fade\n");
  EXPECT_TRUE(session.reload());
  EXPECT_EQ(clock.now(), 3500);  // the time is kept
  EXPECT_EQ(take(), (Calls{"pause 5 on", "seek 7 3500", "play 7 paused", "pause 6 off"}));
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(demoSettings().endTime, 9000);
  EXPECT_EQ(session.reloads(), 1);

  dir.write("data/scripts/demo.scr", "DEMO_END 100\nINSERT_EFFECT Nope\n");
  EXPECT_FALSE(session.reload());
  EXPECT_EQ(take(), (Calls{}));
  EXPECT_EQ(list.size(), 2u);  // the last good script stays
  EXPECT_EQ(demoSettings().endTime, 9000);
  EXPECT_EQ(session.reloads(), 1);
}

TEST_F(EditSessionMusicTest, JumpsStayBetweenStartAndEndAndTheClockHoldsAtTheEnd) {
  demoSettings().music = false;
  EditSession session(clock, options, EffectTable::rows(), "data/scripts/demo.scr");
  session.jumpTo(0);
  session.begin();
  session.jumpTo(99999);
  EXPECT_EQ(clock.now(), 8000);
  session.onKey(SDLK_PAGEUP);  // ten bars back: 10 x 1000 from 8000, held at the start
  EXPECT_EQ(clock.now(), 500);
  session.onKey(SDLK_PAGEDOWN);
  EXPECT_EQ(clock.now(), 8000);
  session.onKey(SDLK_HOME);
  EXPECT_EQ(clock.now(), 500);
  gRealMs += 60000;
  EXPECT_EQ(clock.now(), 8000);  // never past the end while authoring
}

TEST_F(EditSessionMusicTest, TheLoopJumpsBackFromBToA) {
  demoSettings().music = false;
  EditSession session(clock, options, EffectTable::rows(), "data/scripts/demo.scr");
  session.jumpTo(0);
  session.begin();
  session.jumpTo(1000);
  session.onKey(SDLK_l);
  gRealMs += 500;
  session.onKey(SDLK_l);
  ASSERT_TRUE(session.looping());
  EXPECT_EQ(session.loopStart(), 1000);
  EXPECT_EQ(session.loopEnd(), 1500);
  session.beforeFrame();  // at B: back to A
  EXPECT_EQ(clock.now(), 1000);
  gRealMs += 499;
  session.beforeFrame();
  EXPECT_EQ(clock.now(), 1499);
  gRealMs += 1;
  session.beforeFrame();
  EXPECT_EQ(clock.now(), 1000);
  session.onKey(SDLK_l);
  EXPECT_FALSE(session.looping());
  gRealMs += 800;
  session.beforeFrame();
  EXPECT_EQ(clock.now(), 1800);
}

// A file no data folder holds is shown in the overlay, once however often it is asked for.
TEST_F(EditSessionMusicTest, TheOverlayNamesEachMissingFileOnce) {
  demoSettings().music = false;
  MissingFiles::clear();
  MissingFiles::install();
  EditSession session(clock, options, EffectTable::rows(), "data/scripts/demo.scr");
  session.jumpTo(0);
  session.begin();
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(MemoryFile("data/images/none.png").isValid());
  EXPECT_TRUE(MemoryFile("data/scripts/demo.scr").isValid());
  int shown = 0;
  for (const Overlay::Line& line : session.overlayLines(0)) {
    if (line.text.find("missing file") == std::string::npos) continue;
    EXPECT_EQ(line.text, "missing file: data/images/none.png");
    ++shown;
  }
  EXPECT_EQ(shown, 1);
  setMissingFileHandler(nullptr);
  MissingFiles::clear();
}

TEST(EditSessionBars, BarsAreFourBeatsOrTwoSeconds) {
  const struct {
    int64_t time;
    int32_t beat;
    int64_t bar;
    const char* shown;
  } cases[] = {
      {0, 500, 2000, "1.1"},    {499, 500, 2000, "1.1"}, {500, 500, 2000, "1.2"},    {1999, 500, 2000, "1.4"},
      {2000, 500, 2000, "2.1"}, {-1, 500, 2000, "0.4"},  {-2001, 500, 2000, "-1.4"}, {2500, 0, 2000, "2.2"},
      {7000, -5, 2000, "4.3"},  {130, 125, 500, "1.2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EditSession::barLength(c.beat), c.bar) << c.beat;
    EXPECT_EQ(EditSession::barBeat(c.time, c.beat), c.shown) << c.time << " " << c.beat;
  }
}

}  // namespace
