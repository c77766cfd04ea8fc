#include "AudioFixtures.h"
#include "Mp3Stream.h"
#include "SoundSystem.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

namespace {
enum class Opens { No, Yes, Either };

struct BadFileCase {
  const char* name;
  // Contents written to the file, made from the good MP3's bytes; null = no file at all.
  std::function<std::string(const std::string& good)> make;
  Opens opens;
};

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Mp3StreamTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new TempDir();
    good = AudioFixtures::makeMp3(dir->path(), "tone", "4 sine 200:2000 gain -3");
    reference = new std::vector<int16_t>(AudioFixtures::decodeAll(good));
  }
  static void TearDownTestSuite() {
    delete reference;
    delete dir;
  }
  void SetUp() override { ASSERT_FALSE(good.empty()); }
  static TempDir* dir;
  static std::string good;
  static std::vector<int16_t>* reference;
};
TempDir* Mp3StreamTest::dir = nullptr;
std::string Mp3StreamTest::good;
std::vector<int16_t>* Mp3StreamTest::reference = nullptr;

class BadFileTest : public Mp3StreamTest, public ::testing::WithParamInterface<BadFileCase> {};

// Reads the whole stream in blocks; the number of blocks is bounded so a stream that never ends
// fails instead of hanging. Returns the frames decoded.
std::vector<int16_t> drainDirect(Mp3Stream& stream) {
  std::vector<int16_t> frames;
  std::vector<int16_t> block(2 * 1024);
  for (int i = 0; i < 2000; ++i) {  // 46 s at most
    const int32_t got = stream.read(block.data(), 1024);
    frames.insert(frames.end(), block.begin(), block.begin() + 2 * got);
    if (got < 1024) break;
  }
  return frames;
}

TEST_P(BadFileTest, NeverCrashesNorHangsAndDecodesNoMoreThanIsThere) {
  const BadFileCase c = GetParam();
  const std::string path = dir->path() + "/" + c.name + ".mp3";
  if (c.make) {
    std::ofstream out(path, std::ios::binary);
    const std::string bytes = c.make(readBytes(good));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  Mp3Stream direct;
  const bool opened = direct.open(path.c_str(), false);
  if (c.opens != Opens::Either) {
    EXPECT_EQ(opened, c.opens == Opens::Yes);
  }
  if (opened) {
    const std::vector<int16_t> frames = drainDirect(direct);
    EXPECT_LE(frames.size(), reference->size());
  }
  // Decode-ahead: the decoder ends (primed) and a seek past the end also ends.
  Mp3Stream ahead;
  ASSERT_EQ(ahead.open(path.c_str(), true), opened);
  if (opened) {
    for (int i = 0; i < 5000 && !ahead.isPrimed(); ++i) {
      ahead.dropStale();  // as the mixer does on every block
      SDL_Delay(1);
    }
    EXPECT_TRUE(ahead.isPrimed());
    ahead.seekFrame(10'000'000);
    for (int i = 0; i < 5000 && !ahead.isPrimed(); ++i) {
      ahead.dropStale();  // as the mixer does on every block
      SDL_Delay(1);
    }
    EXPECT_TRUE(ahead.isPrimed());
    std::vector<int16_t> block(2 * 1024);
    EXPECT_EQ(ahead.read(block.data(), 1024), 0);
  }
  ahead.close();
  EXPECT_FALSE(ahead.isOpen());
}

std::string lcgBytes(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 7;
  for (char& ch : s) {
    x = x * 1664525u + 1013904223u;
    ch = static_cast<char>(x >> 24);
  }
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(BadFileCase{"missing", nullptr, Opens::No},
                      BadFileCase{"empty", [](const std::string&) { return std::string(); }, Opens::No},
                      BadFileCase{"text",
                                  [](const std::string&) {
                                    std::string s;
                                    for (int i = 0; i < 500; ++i) s += "this is not an mp3 file\n";
                                    return s;
                                  },
                                  Opens::No},
                      BadFileCase{"first100bytes", [](const std::string& g) { return g.substr(0, 100); }, Opens::Either},
                      BadFileCase{"half", [](const std::string& g) { return g.substr(0, g.size() / 2); }, Opens::Yes},
                      BadFileCase{"headless", [](const std::string& g) { return g.substr(g.size() / 3); },
                                  Opens::Either},
                      BadFileCase{"random", [](const std::string&) { return lcgBytes(100000); }, Opens::Either}),
    [](const ::testing::TestParamInfo<BadFileCase>& info) { return std::string(info.param.name); });

TEST_F(Mp3StreamTest, TruncatedFileDecodesItsPrefixExactlyThenEnds) {
  const std::string path = dir->path() + "/truncated.mp3";
  {
    const std::string bytes = readBytes(good);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
  }
  Mp3Stream stream;
  ASSERT_TRUE(stream.open(path.c_str(), false));
  const std::vector<int16_t> frames = drainDirect(stream);
  ASSERT_GT(frames.size(), reference->size() / 3);
  ASSERT_LT(frames.size(), reference->size());
  // The last frame may be cut short; everything before it equals the full decode.
  const size_t compare = frames.size() - 2 * 1152;
  const auto mismatch = std::mismatch(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(compare), reference->begin());
  EXPECT_EQ(mismatch.first - frames.begin(), static_cast<std::ptrdiff_t>(compare)) << "of " << frames.size();
}

TEST_F(Mp3StreamTest, DecodeAheadAfterSeeksGivesTheFramesAtTheLastSeek) {
  Mp3Stream stream;
  ASSERT_TRUE(stream.open(good.c_str(), true));
  // Several seeks in a row: only the last counts; chunks of the earlier ones are dropped.
  for (int64_t frame : {int64_t{1000}, int64_t{90000}, int64_t{44100}}) stream.seekFrame(frame);
  for (int i = 0; i < 5000 && !stream.isPrimed(); ++i) {
    stream.dropStale();
    SDL_Delay(1);
  }
  ASSERT_TRUE(stream.isPrimed());
  std::vector<int16_t> frames(2 * 20000);
  int32_t got = 0;
  for (int i = 0; i < 5000 && got < 20000; ++i) got += stream.read(frames.data() + 2 * got, 20000 - got);
  ASSERT_EQ(got, 20000);
  EXPECT_TRUE(std::equal(frames.begin(), frames.end(), reference->begin() + 2 * 44100));
}

TEST_F(Mp3StreamTest, TruncatedSoundtrackPlaysThroughTheDeviceAndEndsInSilence) {
  const std::string path = dir->path() + "/short.mp3";
  {
    const std::string bytes = readBytes(good);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 4));
  }
  const std::string raw = dir->path() + "/short.raw";
  AudioFixtures::useDiskDriver(raw);
  SoundSystem sound;
  ASSERT_TRUE(sound.init(44100, 8));
  const int32_t stream = sound.openStream(path.c_str());
  ASSERT_NE(stream, 0);
  sound.setStreamTime(stream, 500);
  sound.setPaused(sound.playStream(stream, true), false);
  const uint64_t start = sound.blocksMixed();
  // Well past the file's end (about 1 s of audio), at the disk driver's speed.
  for (int i = 0; i < 20000 && sound.blocksMixed() < start + 200; ++i) SDL_Delay(1);
  sound.close();
  AudioFixtures::useDummyDriver();
  const std::vector<int16_t> output = AudioFixtures::readRaw(raw);
  ASSERT_GT(output.size(), static_cast<size_t>(2 * 1024 * 200));
  // The tail is silence.
  for (size_t i = output.size() - 2 * 1024 * 20; i < output.size(); ++i) ASSERT_EQ(output[i], 0) << i;
}
struct LagCase {
  const char* name;
  int32_t heldBlocks;  // blocks read while the decoder is held (the ring holds 48)
  int64_t seekTo;      // frame of a seek while held, -1 for none
};

class LagTest : public Mp3StreamTest, public ::testing::WithParamInterface<LagCase> {};

// Waits (bounded) until the decoder has filled its ring for the last seek.
void waitPrimed(Mp3Stream& stream) {
  for (int i = 0; i < 5000 && !stream.isPrimed(); ++i) {
    stream.dropStale();
    SDL_Delay(1);
  }
}

TEST_P(LagTest, FramesAfterAnUnderrunComeFromThePositionReached) {
  const LagCase c = GetParam();
  constexpr int32_t kBlock = 1024;
  Mp3Stream stream;
  ASSERT_TRUE(stream.open(good.c_str(), true));
  waitPrimed(stream);
  ASSERT_TRUE(stream.isPrimed());
  stream.holdDecoder(true);
  std::vector<int16_t> block(2 * kBlock);
  int64_t position = 0;  // frames asked for since the start (or the seek)
  int64_t played = 0, skipped = 0;
  for (int32_t i = 0; i < c.heldBlocks; ++i, position += kBlock) {
    int32_t s = 0;
    played += stream.readInStep(block.data(), kBlock, &s);
    skipped += s;
  }
  EXPECT_EQ(played, std::min<int64_t>(position, 2 * 24 * kBlock));
  EXPECT_EQ(skipped, 0);
  EXPECT_EQ(stream.owedFrames(), position - played);
  if (c.seekTo >= 0) {
    stream.seekFrame(c.seekTo);
    position = c.seekTo;
  }
  stream.holdDecoder(false);
  if (c.seekTo >= 0) waitPrimed(stream);
  // Every frame read from now on is the one at the position reached, whatever the decoder had.
  int32_t fullBlocks = 0;
  skipped = 0;
  for (int i = 0; i < 5000 && fullBlocks < 8; ++i, position += kBlock) {
    int32_t s = 0;
    const int32_t got = stream.readInStep(block.data(), kBlock, &s);
    skipped += s;
    ASSERT_LE(2 * (position + got), static_cast<int64_t>(reference->size())) << "read past the reference";
    ASSERT_TRUE(std::equal(block.begin(), block.begin() + 2 * got, reference->begin() + 2 * position))
        << "block at frame " << position;
    fullBlocks += got == kBlock;
    if (got < kBlock) SDL_Delay(1);
  }
  EXPECT_EQ(fullBlocks, 8);
  if (c.seekTo < 0 && c.heldBlocks > 48) {
    EXPECT_GE(skipped, int64_t(c.heldBlocks - 48) * kBlock);
  }
  if (c.seekTo >= 0) {
    EXPECT_EQ(skipped, 0);  // a seek clears the debt
  }
}

INSTANTIATE_TEST_SUITE_P(Underruns, LagTest,
                         ::testing::Values(LagCase{"ringDrainedExactly", 48, -1}, LagCase{"twelveBlocksOwed", 60, -1},
                                           LagCase{"oneSecondOwed", 91, -1}, LagCase{"seekWhileOwing", 70, 30000}),
                         [](const ::testing::TestParamInfo<LagCase>& info) { return std::string(info.param.name); });

}  // namespace
