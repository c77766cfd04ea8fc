#include "SoundCapture.h"
#include "SoundSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
constexpr int32_t kBlock = 4;  // frames per block in the hand-made blocks
constexpr int32_t kBlocks = 8;

// A hand-made 16-bit stereo block of kBlock frames over samples, in a ring of kBlocks blocks.
DspBlock s16Block(std::vector<int16_t>& samples) {
  DspBlock block;
  block.samples = samples.data();
  block.frames = kBlock;
  block.format = SampleFormat::S16;
  block.mixerType = kMixerTypeS16;
  block.blockLength = kBlock;
  block.ringLength = kBlock * kBlocks;
  return block;
}

// A capture over a small offline library: ring of 8 blocks of 1024 frames.
class SoundCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sound.initOffline());
    ASSERT_TRUE(capture.start(sound));
  }
  SoundSystem sound;
  SoundCapture capture;
};

struct ConversionCase {
  int32_t mixerType;
  SampleFormat format;
  // One stereo frame (left, right) as doubles, and the expected stored mono value.
  double left;
  double right;
  int16_t expected;
};

class CaptureConversionTest : public SoundCaptureTest, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(CaptureConversionTest, ConvertsByMixerType) {
  const ConversionCase c = GetParam();
  std::vector<int16_t> s16(2 * kBlock);
  std::vector<int32_t> s32(2 * kBlock);
  std::vector<float> f32(2 * kBlock);
  for (int32_t i = 0; i < kBlock; ++i) {
    s16[2 * i] = static_cast<int16_t>(c.left);
    s16[2 * i + 1] = static_cast<int16_t>(c.right);
    s32[2 * i] = static_cast<int32_t>(c.left);
    s32[2 * i + 1] = static_cast<int32_t>(c.right);
    f32[2 * i] = static_cast<float>(c.left);
    f32[2 * i + 1] = static_cast<float>(c.right);
  }
  DspBlock block;
  block.samples = c.format == SampleFormat::S16 ? static_cast<void*>(s16.data())
                  : c.format == SampleFormat::S32 ? static_cast<void*>(s32.data())
                                                  : static_cast<void*>(f32.data());
  block.frames = kBlock;
  block.format = c.format;
  block.mixerType = c.mixerType;
  block.blockLength = kBlock;
  block.ringLength = kBlock * kBlocks;
  SoundCapture::captureBlock(block, &capture);
  for (int32_t i = 0; i < kBlock; ++i) EXPECT_EQ(capture.sample(i), c.expected) << "sample " << i;
  EXPECT_EQ(capture.sample(kBlock), 0);  // the next block is untouched
  EXPECT_EQ(capture.blockIndex(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaptureConversionTest,
    ::testing::Values(
        // 16-bit mixers: (l + r) >> 1, arithmetic shift (rounds toward minus infinity).
        ConversionCase{2, SampleFormat::S16, 1000, 3001, 2000}, ConversionCase{3, SampleFormat::S16, -3, 0, -2},
        ConversionCase{6, SampleFormat::S16, 32767, 32767, 32767},
        ConversionCase{7, SampleFormat::S16, -32768, -32768, -32768},
        // Float mixer: (l + r) x 0.5, truncated toward zero.
        ConversionCase{5, SampleFormat::Float32, -3.0, 0.0, -1}, ConversionCase{5, SampleFormat::Float32, -1.5, 0.0, 0},
        ConversionCase{5, SampleFormat::Float32, 200.9, 0.0, 100},
        ConversionCase{5, SampleFormat::Float32, 40000.0, 40000.0, static_cast<int16_t>(40000 - 65536)},
        ConversionCase{5, SampleFormat::Float32, 1e30, 1e30, -128},  // clamped to 2^31 - 128 = 0x7FFFFF80
        // Any other mixer: 32-bit stereo, (l + r) >> 1, low 16 bits kept.
        ConversionCase{0, SampleFormat::S32, 40000, 40000, static_cast<int16_t>(40000 - 65536)},
        ConversionCase{1, SampleFormat::S32, -5, 0, -3}, ConversionCase{4, SampleFormat::S32, 2147483647, 2147483647, -1},
        ConversionCase{8, SampleFormat::S32, 70000, 0, static_cast<int16_t>(35000 - 65536)}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) {
      return "Mixer" + std::to_string(info.param.mixerType) + "Case" + std::to_string(info.index);
    });

TEST_F(SoundCaptureTest, IndexWrapsAfterTheLastBlockAndTheTraceReadsTheOldestBlock) {
  std::vector<int16_t> samples(2 * kBlock);
  DspBlock block = s16Block(samples);
  for (int32_t b = 0; b < kBlocks; ++b) {
    for (int16_t& s : samples) s = static_cast<int16_t>(100 * (b + 1));
    EXPECT_EQ(capture.blockIndex(), b);
    SoundCapture::captureBlock(block, &capture);
  }
  // Block 7 filled: the index is 0 again, and block 1 is the oldest complete one.
  EXPECT_EQ(capture.blockIndex(), 0);
  EXPECT_EQ(capture.sample(kBlock * 7), 800);
  // The library's ring is 8 x 1024 frames; the trace start follows its lengths.
  EXPECT_EQ(capture.traceStart(0), 1024);
  EXPECT_EQ(capture.traceStart(7), 0);
  EXPECT_EQ(capture.traceStart(6), 7 * 1024);
}

TEST_F(SoundCaptureTest, BlocksFromTheMixerFillTheRingInOrder) {
  EXPECT_EQ(capture.blockLength(), SoundSystem::kBlockFrames);
  EXPECT_EQ(capture.ringLength(), SoundSystem::kBlockFrames * SoundSystem::kRingBlocks);
  // Silent blocks (nothing plays) advance the index one per block and wrap after the ring.
  sound.mixOfflineUntil(0);
  sound.mixOfflineUntil(3 * 1024 * 1000 / 44100 + 1);
  EXPECT_EQ(capture.blockIndex(), 3);
  for (int32_t i = 0; i < 5; ++i) sound.mixOfflineUntil(3 * 1024 * 1000 / 44100 + 1 + (i + 1) * 24);
  EXPECT_EQ(capture.blockIndex(), 0);
}

TEST_F(SoundCaptureTest, WritesBeyondTheRingAreDroppedAndReadsOutsideGiveZero) {
  // A library whose blocks outgrow the ring allocated at start: nothing is written out of range.
  std::vector<int32_t> big(2 * 3000, 2000);
  DspBlock block;
  block.samples = big.data();
  block.frames = 3000;
  block.format = SampleFormat::S32;
  block.mixerType = kMixerTypeS32;
  block.blockLength = 3000;
  block.ringLength = 3000 * 8;
  for (int i = 0; i < 8; ++i) SoundCapture::captureBlock(block, &capture);
  EXPECT_EQ(capture.sample(capture.ringLength() + SoundCapture::kSpareSamples - 1), 2000);
  EXPECT_EQ(capture.sample(capture.ringLength() + SoundCapture::kSpareSamples), 0);
  EXPECT_EQ(capture.sample(-1), 0);
  // Zero lengths are ignored.
  block.blockLength = 0;
  SoundCapture::captureBlock(block, &capture);
  block.blockLength = 3000;
  block.ringLength = 10;
  SoundCapture::captureBlock(block, &capture);
}

TEST_F(SoundCaptureTest, RestartingKeepsOneUnitAndStopFreesIt) {
  ASSERT_TRUE(capture.start(sound));  // again: the first unit is freed
  int32_t created = 0;
  while (sound.createDsp(&SoundCapture::captureBlock, 0, &capture)) ++created;
  EXPECT_EQ(created, SoundSystem::kMaxDspUnits - 1);
  capture.stop();
  EXPECT_FALSE(capture.isRunning());
  capture.stop();  // harmless
}

TEST_F(SoundCaptureTest, RestartKeepsTheRingButStartsItSilentAtBlockZero) {
  // The show starts the oscilloscope again after the warm-up's trial start: same ring (no
  // allocation in the frame), but nothing of the trial's samples or index may remain.
  std::vector<int16_t> samples(2 * kBlock, 1234);
  DspBlock block = s16Block(samples);
  SoundCapture::captureBlock(block, &capture);
  ASSERT_EQ(capture.sample(0), 1234);
  const void* ringBefore = capture.ringAddress();
  ASSERT_TRUE(capture.start(sound));
  EXPECT_EQ(capture.ringAddress(), ringBefore);
  EXPECT_EQ(capture.blockIndex(), 0);
  EXPECT_EQ(capture.sample(0), 0);
  EXPECT_EQ(capture.sample(kBlock - 1), 0);
}

TEST(SoundCaptureStartTest, FailsWithoutAnInitialisedLibrary) {
  SoundSystem sound;
  SoundCapture capture;
  EXPECT_FALSE(capture.start(sound));
  EXPECT_FALSE(capture.isRunning());
  EXPECT_EQ(capture.sample(0), 0);
}
}  // namespace
