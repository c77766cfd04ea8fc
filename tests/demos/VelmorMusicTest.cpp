#include "AudioFixtures.h"
#include "DemoClock.h"
#include "DemoRunner.h"
#include "DemoSettings.h"
#include "FakeSoundLibrary.h"
#include "ReportCapture.h"
#include "SoundCapture.h"
#include "SoundSystem.h"
#include "SpectrumAnalyzer.h"
#include "TempDir.h"
#include "VelmorMusic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using Calls = std::vector<std::string>;

class VelmorMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setSoundLibrary(&fake);
    shutdownMusic();  // back to the initial state
    fake.calls.clear();
  }
  void TearDown() override {
    shutdownMusic();
    setSoundLibrary(nullptr);
  }
  FakeSoundLibrary fake;
};

TEST_F(VelmorMusicTest, InitialStateAndOpenBeforeInitReports) {
  EXPECT_FALSE(isSoundInitialised());
  EXPECT_FALSE(isMusicPlaying());
  EXPECT_EQ(musicState().channel, -1);
  EXPECT_EQ(musicState().stream, 0);
  ReportCapture reports;
  EXPECT_FALSE(openMusic("rk17.mp3"));
  EXPECT_TRUE(reports.contains("Soundsystem not inited"));
  ASSERT_EQ(reports.reports().size(), 1u);
  EXPECT_EQ(reports.reports()[0].find("src/demoSystem/VelmorMusic.cpp:"), 0u);
  EXPECT_TRUE(fake.calls.empty());
  // Without a stream, seek, play and pause do nothing.
  seekMusic(100);
  playMusic();
  pauseMusic();
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(VelmorMusicTest, StartCallsInitOpenSeekPlayPausedThenResumes) {
  startMusicAt(5000);
  EXPECT_EQ(fake.calls, (Calls{"init 44100 8", "open rk17.mp3", "seek 7 5000", "play 7 paused", "pause 3 off"}));
  EXPECT_TRUE(isSoundInitialised());
  EXPECT_TRUE(isMusicPlaying());
  EXPECT_EQ(musicState().channel, 3);
}

TEST_F(VelmorMusicTest, RestartSeeksTheOpenStreamAndPlaysOnANewChannel) {
  startMusicAt(2000);
  fake.calls.clear();
  pauseMusic();
  EXPECT_FALSE(isMusicPlaying());
  startMusicAt(2000);
  EXPECT_EQ(fake.calls, (Calls{"pause 3 on", "seek 7 2000", "play 7 paused", "pause 4 off"}));
  EXPECT_EQ(musicState().channel, 4);
  EXPECT_TRUE(isMusicPlaying());
}

TEST_F(VelmorMusicTest, FailedInitIsSilentAndRetriedAtTheNextStart) {
  fake.initResult = false;
  ReportCapture reports;
  startMusicAt(0);
  EXPECT_FALSE(isSoundInitialised());
  EXPECT_EQ(fake.calls, (Calls{"init 44100 8"}));
  startMusicAt(0);
  EXPECT_EQ(fake.calls.size(), 2u);
  EXPECT_TRUE(reports.reports().empty());
  shutdownMusic();
  EXPECT_EQ(fake.calls.size(), 2u);  // nothing to close
}

TEST_F(VelmorMusicTest, StreamThatDoesNotOpenRunsWithoutMusicAndWithoutReport) {
  fake.streamResult = 0;
  ReportCapture reports;
  startMusicAt(0);
  EXPECT_EQ(fake.calls, (Calls{"init 44100 8", "open rk17.mp3"}));
  EXPECT_FALSE(isMusicPlaying());
  EXPECT_TRUE(reports.reports().empty());
  startMusicAt(0);  // tried again: nothing was kept
  EXPECT_EQ(fake.calls.back(), "open rk17.mp3");
}

TEST_F(VelmorMusicTest, TheFirstStreamIsKeptWhateverTheName) {
  ASSERT_TRUE(initSound());
  ASSERT_TRUE(openMusic("rk17.mp3"));
  EXPECT_TRUE(openMusic("other.mp3"));
  EXPECT_EQ(fake.calls, (Calls{"init 44100 8", "open rk17.mp3"}));
}

TEST_F(VelmorMusicTest, ShutdownClosesStreamThenLibraryAndResets) {
  startMusicAt(0);
  fake.calls.clear();
  shutdownMusic();
  EXPECT_EQ(fake.calls, (Calls{"closeStream 7", "close"}));
  EXPECT_FALSE(isSoundInitialised());
  EXPECT_EQ(musicState().stream, 0);
  fake.calls.clear();
  shutdownMusic();
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(VelmorMusicTest, RefusedChannelIsFatal) {
  fake.channels = {-1};
  // Other threads exist (GL driver, audio): the child runs the test afresh instead of forking them.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(startMusicAt(0), ::testing::ExitedWithCode(1), "Could not play soundstream");
}

// The start step and the M key, through the entry's runner (no window needed for these).
class MusicStepsTest : public VelmorMusicTest {
 protected:
  static int64_t counter() { return ticks; }
  void SetUp() override {
    VelmorMusicTest::SetUp();
    // Program-wide settings: start from the defaults whatever an earlier test left behind.
    saved = demoSettings();
    demoSettings() = DemoSettings();
    ticks = 0;
  }
  void TearDown() override {
    demoSettings() = saved;
    VelmorMusicTest::TearDown();
  }
  static int64_t ticks;  // ms
  DemoSettings saved;
  TempDir folder{true};
  ReportCapture reports;  // the script is missing here: its report is not what these tests check
};
int64_t MusicStepsTest::ticks = 0;

TEST_F(MusicStepsTest, MusicFlagOffMakesNoSoundCallAtAll) {
  DemoClock clock(&MusicStepsTest::counter, 1000);
  DemoRunner runner(clock);
  demoSettings().music = false;
  runner.startDemo();
  runner.startDemo();
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_FALSE(isSoundInitialised());
}

TEST_F(MusicStepsTest, RestartPausesThenSeeksAndPlaysOnANewChannel) {
  DemoClock clock(&MusicStepsTest::counter, 1000);
  DemoRunner runner(clock);
  demoSettings().music = true;
  demoSettings().startTime = 4000;
  runner.startDemo();
  // The first start has no channel to pause yet.
  EXPECT_EQ(fake.calls, (Calls{"init 44100 8", "open rk17.mp3", "seek 7 4000", "play 7 paused", "pause 3 off"}));
  fake.calls.clear();
  runner.startDemo();
  EXPECT_EQ(fake.calls, (Calls{"pause 3 on", "seek 7 4000", "play 7 paused", "pause 4 off"}));
}

TEST_F(MusicStepsTest, MTwiceRestartsTheMusicAtTheStartTimeWhileTheClockGoesOn) {
  DemoClock clock(&MusicStepsTest::counter, 1000);
  DemoRunner runner(clock);
  demoSettings().music = true;
  demoSettings().startTime = 1500;
  runner.startDemo();
  ticks = 2500;
  EXPECT_EQ(clock.now(), 4000);
  fake.calls.clear();
  runner.onKeyDown(SDLK_m);
  EXPECT_FALSE(demoSettings().music);
  EXPECT_FALSE(isMusicPlaying());
  runner.onKeyDown(SDLK_m);
  EXPECT_TRUE(demoSettings().music);
  EXPECT_EQ(fake.calls, (Calls{"pause 3 on", "seek 7 1500", "play 7 paused", "pause 4 off"}));
  EXPECT_TRUE(isMusicPlaying());
  EXPECT_EQ(clock.now(), 4000);  // not restarted
}

TEST_F(MusicStepsTest, MusicSwitchedOnLaterInitialisesFirst) {
  DemoClock clock(&MusicStepsTest::counter, 1000);
  DemoRunner runner(clock);
  demoSettings().music = false;
  runner.startDemo();
  EXPECT_TRUE(fake.calls.empty());
  runner.setMusicEnabled(true);
  EXPECT_EQ(fake.calls, (Calls{"init 44100 8", "open rk17.mp3", "seek 7 0", "play 7 paused", "pause 3 off"}));
}

// With the real library on a machine without a usable device: the show goes on silently.
TEST(VelmorMusicDeviceTest, NoDeviceMeansNoMusicAndNoReport) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ReportCapture reports;
  startMusicAt(0);
  EXPECT_FALSE(isSoundInitialised());
  EXPECT_FALSE(isMusicPlaying());
  EXPECT_TRUE(reports.reports().empty());
  shutdownMusic();
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

TEST(VelmorMusicDeviceTest, MissingSoundtrackOnTheDummyDeviceRunsWithoutMusic) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  TempDir folder(true);
  ReportCapture reports;
  startMusicAt(0);
  EXPECT_TRUE(isSoundInitialised());
  EXPECT_EQ(musicState().stream, 0);
  EXPECT_FALSE(isMusicPlaying());
  EXPECT_TRUE(reports.reports().empty());
  shutdownMusic();
  EXPECT_FALSE(SoundSystem::instance().isInitialised());
}
}  // namespace

namespace {
// Frame capture: the sound layer mixes offline at each frame's time; two runs over the same frame
// times give the same spectra and the same oscilloscope samples.
struct CaptureRun {
  std::vector<float> totals;   // spectrum total per frame
  std::vector<int16_t> trace;  // first sample of the oldest complete capture block per frame
};

CaptureRun captureFrames() {
  CaptureRun run;
  SoundSystem& sound = SoundSystem::instance();
  sound.initOffline();
  startMusicAt(3000);
  SoundLibrary& library = soundLibrary();
  library.setDspActive(library.getFFTUnit(), true);
  SoundCapture::instance().start(library);
  for (int32_t t = 3000; t <= 5000; t += 40) {
    sound.mixOfflineUntil(t);
    const float* bands = library.getSpectrum();
    float total = 0.0f;
    for (int32_t k = 0; k < SpectrumAnalyzer::kBands; ++k) total += bands[k];
    run.totals.push_back(total);
    const SoundCapture& capture = SoundCapture::instance();
    run.trace.push_back(capture.sample(capture.traceStart(capture.blockIndex())));
  }
  SoundCapture::instance().stop();
  shutdownMusic();
  return run;
}

TEST(OfflineMusicTest, TwoCapturesOfTheSameFramesAreIdentical) {
  TempDir folder(true);
  ASSERT_FALSE(AudioFixtures::makeMp3(folder.path(), "rk17", "8 sine 100:4000 sine 300:900 gain -3").empty());
  const CaptureRun first = captureFrames();
  const CaptureRun second = captureFrames();
  ASSERT_EQ(first.totals.size(), 51u);
  EXPECT_EQ(first.totals, second.totals);
  EXPECT_EQ(first.trace, second.trace);
  // Music was heard: the spectrum is not empty after the first frame.
  EXPECT_GT(first.totals.back(), 0.1f);
  EXPECT_FALSE(SoundSystem::instance().isInitialised());
}
}  // namespace
