#include "AudioFixtures.h"
#include "SoundSystem.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

namespace {
// Sweeps, different on each channel: a seek that is off by whole periods or swaps channels shows.
const char* const kSweepSynth = "6 sine 100:8000 sine 300:5000 gain -3";
constexpr int64_t kFramesAt3000Ms = 132300;

// Records every block it sees (as 16-bit values) into preallocated memory, then halves the block.
struct Recorder {
  std::vector<int16_t> samples = std::vector<int16_t>(4u << 20);
  std::atomic<size_t> used{0};
  std::atomic<int32_t> blocks{0};
  bool halve = false;
  int32_t lastBlockLength = 0;
  int32_t lastRingLength = 0;

  static void callback(const DspBlock& block, void* self) {
    Recorder& r = *static_cast<Recorder*>(self);
    size_t at = r.used.load();
    const int32_t n = block.frames * 2;
    for (int32_t i = 0; i < n && at < r.samples.size(); ++i, ++at) {
      int32_t value = 0;
      switch (block.format) {
        case SampleFormat::S16:
          value = static_cast<int16_t*>(block.samples)[i];
          if (r.halve) static_cast<int16_t*>(block.samples)[i] = static_cast<int16_t>(value / 2);
          break;
        case SampleFormat::S32:
          value = static_cast<int32_t*>(block.samples)[i];
          if (r.halve) static_cast<int32_t*>(block.samples)[i] = value / 2;
          break;
        case SampleFormat::Float32:
          value = static_cast<int32_t>(static_cast<float*>(block.samples)[i]);
          if (r.halve) static_cast<float*>(block.samples)[i] = static_cast<float>(value / 2);
          break;
      }
      r.samples[at] = static_cast<int16_t>(value);
    }
    r.used.store(at);
    r.lastBlockLength = block.blockLength;
    r.lastRingLength = block.ringLength;
    r.blocks.fetch_add(1);
  }
};

long fileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

class SoundSystemTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new TempDir();
    sweep = AudioFixtures::makeMp3(dir->path(), "sweep", kSweepSynth);
    sine1k = AudioFixtures::makeMp3(dir->path(), "sine1k", "2 sine 1000 gain -1");
    reference = new std::vector<int16_t>(AudioFixtures::decodeAll(sweep));
  }
  static void TearDownTestSuite() {
    delete reference;
    delete dir;
  }
  void SetUp() override {
    ASSERT_FALSE(sweep.empty()) << "sox or lame failed";
    ASSERT_GT(reference->size(), static_cast<size_t>(5 * 44100 * 2));
  }
  void TearDown() override { AudioFixtures::useDummyDriver(); }

  static TempDir* dir;
  static std::string sweep;
  static std::string sine1k;
  static std::vector<int16_t>* reference;
};
TempDir* SoundSystemTest::dir = nullptr;
std::string SoundSystemTest::sweep;
std::string SoundSystemTest::sine1k;
std::vector<int16_t>* SoundSystemTest::reference = nullptr;

// Runs the disk driver until the output holds at least bytes (bounded, not timed: the check
// afterwards decides).
void waitForOutput(const std::string& path, long bytes) {
  for (int i = 0; i < 20000 && fileSize(path) < bytes; ++i) SDL_Delay(1);
}

TEST_F(SoundSystemTest, SeekTo3000MsPlaysFromFrame132300OnTheDiskDriver) {
  const std::string out = dir->path() + "/seek.raw";
  AudioFixtures::useDiskDriver(out);
  {
    SoundSystem sound;
    ASSERT_TRUE(sound.init(44100, 8));
    const int32_t stream = sound.openStream(sweep.c_str());
    ASSERT_NE(stream, 0);
    ASSERT_TRUE(sound.setStreamTime(stream, 3000));
    const int32_t channel = sound.playStream(stream, true);
    ASSERT_GE(channel, 0);
    ASSERT_TRUE(sound.setPaused(channel, false));
    // Silence before the play, then one second of music.
    const long before = fileSize(out);
    waitForOutput(out, before + 4 * 44100 * 4);
    sound.close();
  }
  const std::vector<int16_t> output = AudioFixtures::readRaw(out);
  size_t first = 0;
  while (2 * first + 1 < output.size() && output[2 * first] == 0 && output[2 * first + 1] == 0) ++first;
  ASSERT_LT(2 * (first + 44100), output.size()) << "no music in the output";
  const int32_t offset = AudioFixtures::findOffset(output, first, *reference, kFramesAt3000Ms, 44100, 4410);
  std::cout << "seek offset at 3000 ms (frames): " << offset << "\n";
  EXPECT_EQ(offset, 0);
}

TEST_F(SoundSystemTest, DeviceGetsEveryBlockAfterTheUnitsInOrder) {
  const std::string out = dir->path() + "/dsp.raw";
  AudioFixtures::useDiskDriver(out);
  Recorder recorder;
  recorder.halve = true;
  {
    SoundSystem sound;
    ASSERT_TRUE(sound.init(44100, 8));
    DspUnit* unit = sound.createDsp(&Recorder::callback, 100, &recorder);
    ASSERT_NE(unit, nullptr);
    sound.setDspActive(unit, true);
    const int32_t stream = sound.openStream(sweep.c_str());
    sound.setStreamTime(stream, 1000);
    sound.setPaused(sound.playStream(stream, true), false);
    waitForOutput(out, fileSize(out) + 2 * 44100 * 4);
    sound.freeDsp(unit);
    const size_t recorded = recorder.used.load();
    sound.close();  // the disk driver writes until then
    const std::vector<int16_t> output = AudioFixtures::readRaw(out);
    // Everything recorded reached the output, halved, in the same order. The device ran before
    // the unit was switched on: the recording starts some whole blocks into the output.
    const size_t block = 2 * SoundSystem::kBlockFrames;
    ASSERT_GE(output.size(), recorded);
    size_t offset = 0;
    size_t bestMismatches = recorded + 1;
    for (size_t start = 0; start + recorded <= output.size() && bestMismatches > 0; start += block) {
      size_t mismatches = 0;
      for (size_t i = 0; i < recorded; ++i) mismatches += output[start + i] != recorder.samples[i] / 2;
      if (mismatches < bestMismatches) {
        bestMismatches = mismatches;
        offset = start;
      }
    }
    EXPECT_EQ(bestMismatches, 0u) << "best at block " << offset / block;
    EXPECT_GT(recorded, static_cast<size_t>(44100 * 2));
  }
  EXPECT_EQ(recorder.lastBlockLength, SoundSystem::kBlockFrames);
  EXPECT_EQ(recorder.lastRingLength, SoundSystem::kBlockFrames * SoundSystem::kRingBlocks);
}

class OfflineFormatTest : public SoundSystemTest, public ::testing::WithParamInterface<SampleFormat> {};

TEST_P(OfflineFormatTest, BlocksAfterASeekAreTheDecodedFramesInOrder) {
  SoundSystem sound(GetParam());
  ASSERT_TRUE(sound.initOffline());
  Recorder recorder;
  DspUnit* unit = sound.createDsp(&Recorder::callback, 0, &recorder);
  sound.setDspActive(unit, true);
  const int32_t stream = sound.openStream(sweep.c_str());
  ASSERT_NE(stream, 0);
  sound.setStreamTime(stream, 3000);
  sound.setPaused(sound.playStream(stream, true), false);
  sound.mixOfflineUntil(4000);
  // Whole blocks up to the first that reaches 4000 ms.
  const int32_t blocks = recorder.blocks.load();
  EXPECT_EQ(blocks, (44100 + SoundSystem::kBlockFrames - 1) / SoundSystem::kBlockFrames);
  EXPECT_EQ(AudioFixtures::findOffset(recorder.samples, 0, *reference, kFramesAt3000Ms,
                                      blocks * SoundSystem::kBlockFrames, 0),
            0);
  EXPECT_EQ(sound.getMixer(), mixerTypeOf(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Formats, OfflineFormatTest,
                         ::testing::Values(SampleFormat::S16, SampleFormat::S32, SampleFormat::Float32),
                         [](const ::testing::TestParamInfo<SampleFormat>& info) {
                           return std::string(info.param == SampleFormat::S16   ? "S16"
                                              : info.param == SampleFormat::S32 ? "S32"
                                                                                : "Float32");
                         });

TEST_F(SoundSystemTest, UnitsRunByPriorityAndAFreedUnitIsNotCalledAgain) {
  struct Marker {
    static void first(const DspBlock& block, void*) { static_cast<int16_t*>(block.samples)[0] = 1234; }
    static void second(const DspBlock& block, void* seen) {
      *static_cast<int16_t*>(seen) = static_cast<int16_t*>(block.samples)[0];
    }
  };
  SoundSystem sound;
  ASSERT_TRUE(sound.initOffline());
  int16_t seen = 0;
  // Created in the opposite order of their priorities.
  DspUnit* late = sound.createDsp(&Marker::second, 500, &seen);
  DspUnit* early = sound.createDsp(&Marker::first, 100, nullptr);
  sound.setDspActive(late, true);
  sound.setDspActive(early, true);
  sound.mixOfflineUntil(100);
  EXPECT_EQ(seen, 1234);

  Recorder recorder;
  DspUnit* counted = sound.createDsp(&Recorder::callback, 0, &recorder);
  sound.setDspActive(counted, true);
  sound.mixOfflineUntil(200);
  const int32_t before = recorder.blocks.load();
  EXPECT_GT(before, 0);
  sound.freeDsp(counted);
  sound.mixOfflineUntil(400);
  EXPECT_EQ(recorder.blocks.load(), before);
  EXPECT_FALSE(counted->isActive());
}

TEST_F(SoundSystemTest, FreeingAUnitWhileTheDeviceRunsStopsItsCalls) {
  AudioFixtures::useDummyDriver();
  SoundSystem sound;
  ASSERT_TRUE(sound.init(44100, 8));
  Recorder recorder;
  DspUnit* unit = sound.createDsp(&Recorder::callback, 0, &recorder);
  sound.setDspActive(unit, true);
  for (int i = 0; i < 2000 && recorder.blocks.load() < 2; ++i) SDL_Delay(1);
  ASSERT_GE(recorder.blocks.load(), 2);
  sound.freeDsp(unit);
  const int32_t after = recorder.blocks.load();
  const uint64_t mixed = sound.blocksMixed();
  for (int i = 0; i < 2000 && sound.blocksMixed() < mixed + 3; ++i) SDL_Delay(1);
  EXPECT_GE(sound.blocksMixed(), mixed + 3);
  EXPECT_EQ(recorder.blocks.load(), after);
}

TEST_F(SoundSystemTest, EveryPlayGivesANewChannelAndOldChannelsAreIgnored) {
  SoundSystem sound;
  ASSERT_TRUE(sound.initOffline());
  const int32_t stream = sound.openStream(sweep.c_str());
  const int32_t first = sound.playStream(stream, true);
  const int32_t second = sound.playStream(stream, true);
  EXPECT_GE(first, 0);
  EXPECT_GE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_FALSE(sound.setPaused(first, false));
  EXPECT_TRUE(sound.setPaused(second, false));
  EXPECT_EQ(sound.playStream(stream + 1, false), -1);
  EXPECT_EQ(sound.playStream(0, false), -1);
  sound.closeStream(stream);
  EXPECT_EQ(sound.playStream(stream, false), -1);
  EXPECT_FALSE(sound.setStreamTime(stream, 0));
}

TEST_F(SoundSystemTest, SpectrumOfA1kHzStreamPeaksInItsBand) {
  SoundSystem sound;
  ASSERT_TRUE(sound.initOffline());
  EXPECT_EQ(sound.getSpectrum(), nullptr);  // analysis unit still off
  sound.setDspActive(sound.getFFTUnit(), true);
  const int32_t stream = sound.openStream(sine1k.c_str());
  ASSERT_NE(stream, 0);
  sound.setStreamTime(stream, 500);
  sound.setPaused(sound.playStream(stream, true), false);
  sound.mixOfflineUntil(1000);
  const float* bands = sound.getSpectrum();
  ASSERT_NE(bands, nullptr);
  int32_t peak = 0;
  for (int32_t k = 1; k < SpectrumAnalyzer::kBands; ++k)
    if (bands[k] > bands[peak]) peak = k;
  EXPECT_EQ(peak, 23);  // 1000 Hz / (44100 / 1024 Hz per band)
  EXPECT_GT(bands[peak], 0.7f);
  EXPECT_LE(bands[peak], 1.0f);
}

TEST_F(SoundSystemTest, PausedOutputHasAnEmptySpectrumAndSeekPastTheEndIsSilent) {
  SoundSystem sound;
  ASSERT_TRUE(sound.initOffline());
  sound.setDspActive(sound.getFFTUnit(), true);
  Recorder recorder;
  sound.setDspActive(sound.createDsp(&Recorder::callback, 0, &recorder), true);
  const int32_t stream = sound.openStream(sweep.c_str());
  sound.mixOfflineUntil(200);
  const float* bands = sound.getSpectrum();
  ASSERT_NE(bands, nullptr);
  float sum = 0.0f;
  for (int32_t k = 0; k < SpectrumAnalyzer::kBands; ++k) sum += bands[k];
  EXPECT_LT(sum, 1e-3f);

  sound.setStreamTime(stream, 100000);
  sound.setPaused(sound.playStream(stream, true), false);
  recorder.used.store(0);
  sound.mixOfflineUntil(101000);
  ASSERT_GT(recorder.used.load(), 0u);
  size_t nonZero = 0;
  for (size_t i = 0; i < recorder.used.load(); ++i) nonZero += recorder.samples[i] != 0;
  EXPECT_EQ(nonZero, 0u);
}

TEST_F(SoundSystemTest, WithoutADeviceNothingInitialises) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SoundSystem sound;
  EXPECT_FALSE(sound.init(44100, 8));
  EXPECT_FALSE(sound.isInitialised());
  EXPECT_EQ(sound.openStream(sweep.c_str()), 0);
  EXPECT_EQ(sound.getFFTUnit(), nullptr);
  EXPECT_EQ(sound.createDsp(&Recorder::callback, 0, nullptr), nullptr);
  sound.close();  // harmless
}

TEST_F(SoundSystemTest, OnlyTheMixRateOf44100IsOffered) {
  AudioFixtures::useDummyDriver();
  SoundSystem sound;
  EXPECT_FALSE(sound.init(48000, 8));
  EXPECT_TRUE(sound.init(44100, 8));
  EXPECT_TRUE(sound.init(44100, 8));  // already initialised
  EXPECT_FALSE(sound.isOffline());
}
TEST_F(SoundSystemTest, MusicKeepsItsPlaceWhenTheDecoderFallsBehind) {
  const std::string out = dir->path() + "/underrun.raw";
  AudioFixtures::useDiskDriver(out);
  // A few times real time (a block is 23 ms): the decoder, let go again, catches up, as it does
  // behind a real device.
  setenv("SDL_DISKAUDIODELAY", "5", 1);
  constexpr uint64_t kHeldBlocks = 2 * Mp3Stream::kChunkCount + 30;  // the ring drains, then 30 silent blocks
  uint64_t skipped = 0;
  {
    SoundSystem sound;
    ASSERT_TRUE(sound.init(44100, 8));
    const int32_t stream = sound.openStream(sweep.c_str());
    ASSERT_NE(stream, 0);
    sound.setStreamTime(stream, 0);
    const int32_t channel = sound.playStream(stream, true);
    sound.holdStreamDecoder(true);
    const uint64_t start = sound.blocksMixed();
    sound.setPaused(channel, false);
    for (int i = 0; i < 20000 && sound.blocksMixed() < start + kHeldBlocks; ++i) SDL_Delay(1);
    sound.holdStreamDecoder(false);
    for (int i = 0; i < 20000 && sound.blocksMixed() < start + kHeldBlocks + 60; ++i) SDL_Delay(1);
    skipped = sound.streamFramesSkipped();
    sound.close();
  }
  EXPECT_GT(skipped, 0u);
  const std::vector<int16_t> output = AudioFixtures::readRaw(out);
  const size_t frames = output.size() / 2;
  size_t first = 0;
  while (first < frames && output[2 * first] == 0 && output[2 * first + 1] == 0) ++first;
  ASSERT_LT(first + 4096, frames) << "no music in the output";
  const int32_t d = AudioFixtures::findOffset(output, first, *reference, 0, 4096, 64);
  ASSERT_NE(d, INT32_MIN);
  // Every output frame after the start is either silence (the decoder was behind) or the frame
  // the clock has reached: the music after the gap continues where it would have been.
  size_t silent = 0, matching = 0, matchingAfterGap = 0, other = 0;
  const size_t end = std::min(frames, first + (kHeldBlocks + 50) * SoundSystem::kBlockFrames);
  for (size_t j = first; j < end; ++j) {
    const int64_t r = static_cast<int64_t>(j - first) + d;
    if (2 * (r + 1) > static_cast<int64_t>(reference->size())) break;
    const int16_t* o = &output[2 * j];
    if (o[0] == (*reference)[2 * r] && o[1] == (*reference)[2 * r + 1]) {
      ++matching;
      matchingAfterGap += silent >= 20u * SoundSystem::kBlockFrames;
    } else if (o[0] == 0 && o[1] == 0) {
      ++silent;
    } else {
      ++other;
    }
  }
  EXPECT_EQ(other, 0u) << "frames out of place; " << matching << " in place, " << silent << " silent";
  EXPECT_GE(silent, 20u * SoundSystem::kBlockFrames);
  EXPECT_GE(matchingAfterGap, 20u * SoundSystem::kBlockFrames);
}

// A time source the test moves by hand, in ms.
std::atomic<int64_t> gFakeMs{0};
int64_t fakeCounter() { return gFakeMs.load(); }

TEST_F(SoundSystemTest, MusicSkipsTheTimeTheDeviceLostAgainstTheClock) {
  const std::string out = dir->path() + "/paced.raw";
  AudioFixtures::useDiskDriver(out);
  setenv("SDL_DISKAUDIODELAY", "5", 1);
  // Far more than this thread can be late by, well inside the six seconds of the sweep.
  constexpr int64_t kJumpMs = 4000;
  constexpr int64_t kBlock = SoundSystem::kBlockFrames;
  uint64_t skipped = 0;
  uint64_t blocksBeforeJump = 0;  // blocks mixed since init just before the clock jumped
  uint64_t blocksAfterJump = 0;   // and just after
  {
    SoundSystem sound;
    gFakeMs = 0;
    sound.setTimeSource(&fakeCounter, 1000);
    ASSERT_TRUE(sound.init(44100, 8));
    const int32_t stream = sound.openStream(sweep.c_str());
    ASSERT_NE(stream, 0);
    sound.setStreamTime(stream, 0);
    sound.setPaused(sound.playStream(stream, true), false);
    // The device runs ahead of the frozen clock: nothing to skip.
    const uint64_t start = sound.blocksMixed();
    for (int i = 0; i < 20000 && sound.blocksMixed() < start + 20; ++i) SDL_Delay(1);
    EXPECT_EQ(sound.streamFramesSkipped(), 0u);
    // Four seconds pass at once: the device has asked for far less than that. How much less
    // depends on how long this thread took to get here (a loaded machine may delay it by many
    // blocks), so it is measured: the skip comes with a block mixed after the first count below
    // and at the latest with the one after the second count.
    blocksBeforeJump = sound.blocksMixed();
    gFakeMs = kJumpMs;
    blocksAfterJump = sound.blocksMixed();
    const uint64_t playedAtJump = sound.streamFramesPlayed();
    // 60 blocks, of which at least 20 of music (a starved decoder plays silence meanwhile).
    for (int i = 0; i < 20000 && (sound.blocksMixed() < blocksAfterJump + 60 ||
                                  sound.streamFramesPlayed() < playedAtJump + 20 * kBlock);
         ++i)
      SDL_Delay(1);
    skipped = sound.streamFramesSkipped();
    sound.close();
  }
  gFakeMs = 0;
  const std::vector<int16_t> output = AudioFixtures::readRaw(out);
  const size_t frames = output.size() / 2;
  size_t first = 0;
  while (first < frames && output[2 * first] == 0 && output[2 * first + 1] == 0) ++first;
  ASSERT_LT(first + 4096, frames) << "no music in the output";
  const int32_t d = AudioFixtures::findOffset(output, first, *reference, 0, 4096, 64);
  ASSERT_NE(d, INT32_MIN);
  // The output holds every block since init; the music started at output frame first - d. The
  // skip brings it to the clock: four seconds less what the device had played by the skip block.
  const int64_t playStart = static_cast<int64_t>(first) - d;
  const int64_t jumpFrames = kJumpMs * 44100 / 1000;
  const int64_t firstSkipBlock = static_cast<int64_t>(blocksBeforeJump);
  const int64_t lastSkipBlock = static_cast<int64_t>(blocksAfterJump) + 1;
  const int64_t aheadMost = jumpFrames - (firstSkipBlock * kBlock - playStart);
  const int64_t aheadLeast = jumpFrames - (lastSkipBlock * kBlock - playStart);
  ASSERT_GT(aheadLeast, 0) << "the clock jumped only after four seconds of music";
  // Frames the decoder delivered too late play as silence and are skipped as well.
  const auto silentRun = [&](size_t from, size_t count) {  // 64 zero frames in a row
    size_t run = 0;
    for (size_t f = from; f < from + count && f < frames; ++f) {
      run = output[2 * f] == 0 && output[2 * f + 1] == 0 ? run + 1 : 0;
      if (run == 64) return true;
    }
    return false;
  };
  size_t padded = 0;
  for (size_t f = static_cast<size_t>(std::max<int64_t>(playStart, 0)); f + 64 <= frames; f += 64)
    if (silentRun(f, 64)) padded += 64;
  EXPECT_GE(skipped, static_cast<uint64_t>(aheadLeast));
  EXPECT_LE(skipped, static_cast<uint64_t>(jumpFrames) + padded);
  // At least ten blocks after the skip (where the decoder kept up) the music continues that far
  // ahead.
  size_t late = static_cast<size_t>((lastSkipBlock + 10) * kBlock);
  while (late + kBlock < frames && silentRun(late, kBlock)) late += static_cast<size_t>(kBlock);
  ASSERT_LT(late + kBlock, frames);
  const int64_t middle = (aheadLeast + aheadMost) / 2;
  const int32_t range = static_cast<int32_t>(aheadMost - middle) + 64;
  const int32_t shift = AudioFixtures::findOffset(
      output, late, *reference, static_cast<int64_t>(late) - playStart + middle, static_cast<int32_t>(kBlock), range);
  ASSERT_NE(shift, INT32_MIN) << "the music after the jump is not the sweep four seconds on: at output frame "
                              << late << ", music from frame " << playStart << ", " << aheadLeast << " to "
                              << aheadMost << " frames ahead expected, " << skipped << " skipped, " << padded
                              << " padded, " << frames << " frames in all";
  const int64_t ahead = middle + shift;
  EXPECT_GE(ahead, aheadLeast);
  EXPECT_LE(ahead, aheadMost);
}

}  // namespace
