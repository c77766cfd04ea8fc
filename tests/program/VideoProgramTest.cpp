// rk17 --video: a short lossless video checked against the PNG capture and the offline mix,
// and the failures that must leave no file behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "FrameCapture.h"
#include "PngRead.h"
#include "ProgramRun.h"
#include "ShowPack.h"
#include "SoundSystem.h"
#include "TempDir.h"
#include "VideoExport.h"
#include "WriteFaults.h"

namespace {

// Red rises over the show, so every frame differs from its neighbours.
const char* const kScript =
    "__SETUP__\n"
    "INSERT_EFFECT Clear\n"
    "__TIMELINE__\n"
    "0 b Clear\n"
    "0 s Clear Red 0\n"
    "4000 s Clear Red 1\n"
    "0 s Clear Blue 0.25\n";

// A show folder with the script packed and a five-second sweep as its soundtrack.
void makeShow(const TempDir& dir, int endMs = 4000) {
  dir.write("data/scripts/demo.scr", "DEMO_END " + std::to_string(endMs) + "\n" + kScript);
  ASSERT_TRUE(packShowData(dir.path()));
  const std::string command = "cd '" + dir.path() +
                              "' && sox -q -n -r 44100 -c 2 -b 16 sweep.wav synth 5 sine 200-3000 sine 330 "
                              "&& lame --quiet --cbr -b 192 sweep.wav rk17.mp3";
  ASSERT_EQ(runCommand(command), 0);
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

std::string probe(const std::string& file, const std::string& stream, const std::string& entries) {
  std::string out;
  runCommand("ffprobe -v error -count_frames -select_streams " + stream + " -show_entries stream=" + entries +
                 " -of default=nw=1 '" + file + "'",
             &out);
  return out;
}

// Every frame of the video as RGB rows from the top, one after the other.
std::string decodeFrames(const std::string& file) {
  std::string out;
  runCommand("ffmpeg -v error -i '" + file + "' -map 0:v -f rawvideo -pix_fmt rgb24 -", &out);
  return out;
}

std::vector<int16_t> decodeAudio(const std::string& file) {
  std::string out;
  runCommand("ffmpeg -v error -i '" + file + "' -map 0:a -f s16le -ac 2 -ar 44100 -", &out);
  std::vector<int16_t> samples(out.size() / 2);
  std::memcpy(samples.data(), out.data(), samples.size() * 2);
  return samples;
}

std::vector<int16_t> gMix;  // collected by the tap below
void collect(void*, const int16_t* samples, int32_t frames, int64_t streamFrame) {
  if (streamFrame >= 0 && size_t(streamFrame) * 2 == gMix.size())
    gMix.insert(gMix.end(), samples, samples + 2 * frames);
}

// The offline mix of the soundtrack from its start up to ms.
std::vector<int16_t> offlineMix(const std::string& mp3, int32_t ms) {
  SoundSystem sound;
  sound.initOffline();
  const int32_t stream = sound.openStream(mp3.c_str());
  if (stream == 0) return {};
  sound.setStreamTime(stream, 0);
  sound.playStream(stream, false);
  gMix.clear();
  sound.setOfflineTap(collect, nullptr);
  sound.mixOfflineUntil(ms);
  sound.close();
  return gMix;
}

TEST(VideoProgram, LosslessVideoHoldsTheCapturedFramesAndTheOfflineMix) {
  TempDir dir;
  makeShow(dir);
  const std::vector<std::string> span = {"--fps", "10", "--from", "500", "--to", "3500"};
  std::vector<std::string> videoArgs = {"--video", "out.mkv", "--quality", "lossless", "-q"};
  videoArgs.insert(videoArgs.end(), span.begin(), span.end());
  ProgramRun video(ProgramRun::rk17Path(), videoArgs, dir.path(), {"SDL_VIDEODRIVER=offscreen"});
  ASSERT_EQ(video.wait(120000), 0) << video.stderrText();
  EXPECT_EQ(video.stderrText().find("rk17: frame"), std::string::npos) << video.stderrText();  // -q: no progress line
  std::vector<std::string> captureArgs = {"--capture", "frames"};
  captureArgs.insert(captureArgs.end(), span.begin(), span.end());
  ProgramRun capture(ProgramRun::rk17Path(), captureArgs, dir.path(), {"SDL_VIDEODRIVER=offscreen"});
  ASSERT_EQ(capture.wait(60000), 0) << capture.stderrText();

  const std::string file = dir.path() + "/out.mkv";
  EXPECT_FALSE(exists(file + ".part"));
  EXPECT_EQ(probe(file, "v:0", "width,height,nb_read_frames"), "width=800\nheight=600\nnb_read_frames=31\n");

  // Frames 500, 600, ... 3500 ms: every decoded frame equals the PNG of the same time.
  const size_t frameBytes = 800u * 600u * 3u;
  const std::string decoded = decodeFrames(file);
  ASSERT_EQ(decoded.size(), 31 * frameBytes);
  for (int n = 0; n < 31; ++n) {
    char name[40];
    std::snprintf(name, sizeof name, "/frames/frame-%06d.png", n);
    int w = 0, h = 0;
    const std::vector<uint8_t> png = readPngRgb(dir.path() + name, &w, &h);
    ASSERT_EQ(png.size(), frameBytes) << name;
    EXPECT_TRUE(std::equal(png.begin(), png.end(), reinterpret_cast<const uint8_t*>(decoded.data()) + n * frameBytes))
        << "frame " << n << " differs from " << name;
  }

  // The audio covers the 31 frames (3.1 s) from 500 ms on, sample for sample the offline mix.
  const std::vector<int16_t> audio = decodeAudio(file);
  const long expectedFrames = 31L * 44100 / 10;
  EXPECT_NEAR(long(audio.size() / 2), expectedFrames, 1024);
  const std::vector<int16_t> mix = offlineMix(dir.path() + "/rk17.mp3", 3700);
  const size_t first = size_t(VideoExport::sampleAt(500)) * 2;
  ASSERT_GE(mix.size(), first + audio.size());
  size_t mismatches = 0, firstMismatch = 0;
  for (size_t i = 0; i < audio.size(); ++i)
    if (audio[i] != mix[first + i] && mismatches++ == 0) firstMismatch = i;
  EXPECT_EQ(mismatches, 0u) << "first at sample " << firstMismatch / 2;
}

TEST(VideoProgram, ShowWithoutMusicGetsSilenceAsLongAsItsFrames) {
  TempDir dir;
  dir.write("data/scripts/demo.scr", std::string("DEMO_END 2000\nDEMO_MUSIC 0\n") + kScript);
  ASSERT_TRUE(packShowData(dir.path()));
  ProgramRun run(ProgramRun::rk17Path(), {"--video", "out.mkv", "--fps", "25", "--quality", "lossless", "-q"},
                 dir.path(), {"SDL_VIDEODRIVER=offscreen"});
  ASSERT_EQ(run.wait(60000), 0) << run.stderrText();
  // 0 to 1960 ms: the default range stops before the end time.
  EXPECT_EQ(probe(dir.path() + "/out.mkv", "v:0", "nb_read_frames"), "nb_read_frames=50\n");
  const std::vector<int16_t> audio = decodeAudio(dir.path() + "/out.mkv");
  EXPECT_EQ(long(audio.size() / 2), 50L * 44100 / 25);
  EXPECT_EQ(std::count(audio.begin(), audio.end(), 0), long(audio.size()));
}

TEST(VideoProgram, FailingOrMissingEncoderLeavesNoFile) {
  TempDir dir;
  makeShow(dir);
  const std::string bin = dir.path() + "/stub";
  const struct {
    const char* name;
    const char* stub;  // the ffmpeg found on PATH; null: none
    const char* output;
    const char* report;  // part of stderr
  } cases[] = {
      {"encoder exits 1", "echo \"Unknown encoder 'libx264'\" >&2; exit 1", "out.mp4",
       "ffmpeg failed (exit code 1): Unknown encoder 'libx264'"},
      {"disk full mid-way", "head -c 3000000 <&3 >/dev/null; echo 'No space left on device' >&2; exit 1", "out.mkv",
       "No space left on device"},
      {"encoder killed", "head -c 100 <&3 >/dev/null; kill -9 $$", "out.mp4", "signal 9"},
      {"no encoder", nullptr, "out.mp4", "ffmpeg not found on PATH"},
      {"no such folder", "exit 0", "missing/out.mp4", "cannot write missing/out.mp4.part"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(bin);
    if (c.stub) {
      dir.write("stub/ffmpeg", std::string("#!/bin/sh\n") + c.stub + "\n");
      chmod((bin + "/ffmpeg").c_str(), 0755);
    }
    ProgramRun run(ProgramRun::rk17Path(), {"--video", c.output, "--fps", "10", "--to", "1000"}, dir.path(),
                   {"SDL_VIDEODRIVER=offscreen", "PATH=" + bin + (c.stub ? ":/usr/bin:/bin" : "")});
    EXPECT_EQ(run.wait(60000), 1) << c.name << ": " << run.stderrText();
    EXPECT_NE(run.stderrText().find(c.report), std::string::npos) << c.name << ": " << run.stderrText();
    EXPECT_FALSE(exists(dir.path() + "/" + c.output)) << c.name;
    EXPECT_FALSE(exists(dir.path() + "/" + c.output + ".part")) << c.name;
  }
}

// The real encoder on a disk that fills: a file size limit for rk17 and ffmpeg (with SIGXFSZ
// ignored, a write past it fails with "File too large" as one on a full disk fails with ENOSPC).
TEST(VideoProgram, DiskFillingUnderTheEncoderLeavesNoFile) {
  TempDir dir;
  makeShow(dir);
  std::string status;
  runCommand(
      "cd '" + dir.path() + "' && export SDL_VIDEODRIVER=offscreen && " +
          withFileSizeLimit("'" + ProgramRun::rk17Path() + "' -q --video out.mkv --fps 10 --quality lossless", 64) +
          " 2>err.txt; echo $?",
      &status);
  EXPECT_EQ(status, "1\n") << dir.read("err.txt");
  EXPECT_NE(dir.read("err.txt").find("File too large"), std::string::npos) << dir.read("err.txt");
  EXPECT_FALSE(exists(dir.path() + "/out.mkv"));
  EXPECT_FALSE(exists(dir.path() + "/out.mkv.part"));
}

TEST(VideoProgram, InterruptStopsAndRemovesThePartialFile) {
  TempDir dir;
  makeShow(dir, 600000);
  // SIGINT after two seconds, well before the 60 fps show could be done.
  std::string status;
  runCommand("cd '" + dir.path() + "' && SDL_VIDEODRIVER=offscreen timeout -k 30 --preserve-status -s INT 2 '" +
                 ProgramRun::rk17Path() + "' --video out.mp4 --quality lossless 2>err.txt; echo $?",
             &status);
  EXPECT_EQ(status, "1\n");
  EXPECT_NE(dir.read("err.txt").find("interrupted; no video written"), std::string::npos) << dir.read("err.txt");
  EXPECT_FALSE(exists(dir.path() + "/out.mp4"));
  EXPECT_FALSE(exists(dir.path() + "/out.mp4.part"));
}

TEST(VideoExport, FrameCountMatchesTheCaptureLoop) {
  const struct {
    int fps;
    int32_t from;
    int64_t last;
  } cases[] = {{20, 0, 100}, {30, 0, 100}, {10, 500, 3500}, {60, 0, 0},    {7, -300, 1000},
               {1000, 5, 9}, {3, 0, 999},  {3, 0, 1000},    {25, 200, 100}};
  for (const auto& c : cases) {
    CaptureOptions options;
    options.fps = c.fps;
    options.fromMs = c.from;
    int64_t loop = 0;
    while (FrameCapture::frameTime(options, loop) <= c.last) ++loop;
    EXPECT_EQ(VideoExport::frameCount(options, c.last), loop) << c.fps << " " << c.from << " " << c.last;
  }
}

TEST(VideoExport, SampleOfDemoTimeRoundsDown) {
  EXPECT_EQ(VideoExport::sampleAt(0), 0);
  EXPECT_EQ(VideoExport::sampleAt(500), 22050);
  EXPECT_EQ(VideoExport::sampleAt(1), 44);    // 44.1
  EXPECT_EQ(VideoExport::sampleAt(-1), -45);  // -44.1
  EXPECT_EQ(VideoExport::sampleAt(180000), 7938000);
}

TEST(VideoExport, ContainerAndCodecsFollowNameAndQuality) {
  using Q = VideoQuality;
  const struct {
    const char* file;
    VideoQuality quality;
    std::vector<std::string> wanted;
  } cases[] = {
      {"a.mp4", Q::Crf, {"libx264", "yuv420p", "aac", "mp4"}},
      {"a.MKV", Q::Crf, {"libx264", "aac", "matroska"}},
      {"a.mp4", Q::Small, {"libx264", "yuv420p", "aac", "mp4"}},
      {"a.mkv", Q::Lossless, {"libx264rgb", "rgb24", "flac", "matroska"}},
      {"a.mp4", Q::Lossless, {"libx264rgb", "rgb24", "alac", "mp4"}},
  };
  for (const auto& c : cases) {
    CaptureOptions options;
    options.videoFile = c.file;
    options.quality = c.quality;
    options.fps = 25;
    const std::vector<std::string> args = VideoExport::encoderArguments(options, 800, 600, "t.part");
    for (const std::string& w : c.wanted)
      EXPECT_NE(std::find(args.begin(), args.end(), w), args.end()) << c.file << " " << int(c.quality) << " " << w;
    EXPECT_NE(std::find(args.begin(), args.end(), "800x600"), args.end());
    EXPECT_EQ(args.back(), "t.part");
  }
  // Lossless keeps quantiser 0 whatever the other settings are.
  const std::vector<std::string> lossless = VideoExport::videoCodecArguments(Q::Lossless);
  const auto qp = std::find(lossless.begin(), lossless.end(), "-qp");
  ASSERT_NE(qp, lossless.end());
  EXPECT_EQ(*(qp + 1), "0");
  EXPECT_NE(VideoExport::videoCodecArguments(Q::Small), VideoExport::videoCodecArguments(Q::Crf));
}

}  // namespace
