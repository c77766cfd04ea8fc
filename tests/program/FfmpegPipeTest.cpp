// The encoder pipe against small shell children: both inputs arrive whole and in order whatever
// order the child reads them in, failures are explained, and nothing hangs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "FfmpegPipe.h"
#include "TempDir.h"

namespace {

std::vector<uint8_t> pattern(size_t bytes, uint8_t seed) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = uint8_t(i * 7 + seed + i / 251);
  return data;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

TEST(FfmpegPipe, DeliversBothInputsWholeWhileTheChildReadsOneOfThem) {
  // Frames larger than a pipe's buffer, and audio queued between them: a child reading the
  // video to its end first would stall a writer that blocks on the audio.
  for (const char* reader : {"cat <&3 > video.raw; cat <&4 > audio.raw"}) {
    TempDir dir;
    FfmpegPipe pipe(2);
    ASSERT_TRUE(pipe.start("/bin/sh", {"-c", "cd '" + dir.path() + "' && " + reader})) << pipe.error();
    std::vector<std::vector<uint8_t>> slots = {pattern(300000, 1), pattern(300000, 2)};
    std::string videoExpected, audioExpected;
    for (int frame = 0; frame < 6; ++frame) {
      const int slot = frame % 2;
      ASSERT_TRUE(pipe.waitForSlot(slot));
      slots[size_t(slot)] = pattern(300000, uint8_t(frame));
      pipe.sendVideo(slot, slots[size_t(slot)].data(), slots[size_t(slot)].size());
      videoExpected.append(slots[size_t(slot)].begin(), slots[size_t(slot)].end());
      const std::vector<uint8_t> audio = pattern(100000 + size_t(frame), uint8_t(100 + frame));
      pipe.sendAudio(audio.data(), audio.size());
      audioExpected.append(audio.begin(), audio.end());
    }
    ASSERT_TRUE(pipe.finish()) << reader << ": " << pipe.error();
    EXPECT_TRUE(readAll(dir.path() + "/video.raw") == videoExpected) << reader;
    EXPECT_TRUE(readAll(dir.path() + "/audio.raw") == audioExpected) << reader;
  }
}

TEST(FfmpegPipe, FailuresNameTheirCause) {
  const struct {
    const char* script;
    const char* cause;  // part of error()
  } cases[] = {
      {"echo \"Unknown encoder 'libx265'\" >&2; exit 1", "ffmpeg failed (exit code 1): Unknown encoder 'libx265'"},
      {"head -c 1000 <&3 >/dev/null; echo 'No space left on device' >&2; exit 1", "No space left on device"},
      {"kill -9 $$", "ffmpeg failed (signal 9)"},
      {"exec 3<&- 4<&-; sleep 0.2; exit 0", "ended before it read all input"},
  };
  for (const auto& c : cases) {
    FfmpegPipe pipe(1);
    ASSERT_TRUE(pipe.start("/bin/sh", {"-c", c.script}));
    const std::vector<uint8_t> frame = pattern(1 << 20, 3);
    for (int i = 0; i < 4 && pipe.waitForSlot(0); ++i) pipe.sendVideo(0, frame.data(), frame.size());
    EXPECT_FALSE(pipe.finish()) << c.script;
    EXPECT_NE(pipe.error().find(c.cause), std::string::npos) << c.script << " gave: " << pipe.error();
  }
}

TEST(FfmpegPipe, AbortEndsAChildThatNeverReads) {
  FfmpegPipe pipe(1);
  // exec: the killed child must not leave a grandchild holding the test's output open.
  ASSERT_TRUE(pipe.start("/bin/sh", {"-c", "exec sleep 30"}));
  const std::vector<uint8_t> frame = pattern(1 << 20, 5);
  ASSERT_TRUE(pipe.waitForSlot(0));
  pipe.sendVideo(0, frame.data(), frame.size());
  const auto start = std::chrono::steady_clock::now();
  pipe.abort();
  EXPECT_FALSE(pipe.running());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(FfmpegPipe, FindsProgramsOnPathOnly) {
  TempDir dir;
  dir.write("bin/tool", "#!/bin/sh\n");
  dir.write("bin/data", "not executable");
  chmod((dir.path() + "/bin/tool").c_str(), 0755);
  const char* saved = std::getenv("PATH");
  const std::string old = saved ? saved : "";
  setenv("PATH", ("/nonexistent:" + dir.path() + "/bin").c_str(), 1);
  EXPECT_EQ(FfmpegPipe::findOnPath("tool"), dir.path() + "/bin/tool");
  EXPECT_EQ(FfmpegPipe::findOnPath("data"), "");
  EXPECT_EQ(FfmpegPipe::findOnPath("missing"), "");
  setenv("PATH", old.c_str(), 1);
}

}  // namespace
