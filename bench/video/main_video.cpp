// bench_video [SHOW_DIR [TO_MS [FPS]]]: renders the show in SHOW_DIR (default: the build's run
// folder) from 0 to TO_MS (default 10000) at FPS (default 60) several ways and prints the
// rendering speed of each: an empty show through an encoder that discards its input (the floor:
// clear, read back, pipe), the show through that encoder with both read-back paths, the show to
// an MP4 (CRF 18), and the PNG capture. Then the MP4's size and its audio/video offset: the lag
// of its decoded audio against the soundtrack decoded as the show hears it, plus the streams'
// start-time difference.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Mp3Stream.h"

namespace {
std::string gWork;  // scratch folder

std::string readCommand(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return text;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  pclose(pipe);
  return text;
}

// Runs rk17 in dir with args and the environment prefix env; prints frames per second.
double timeRun(const char* label, const std::string& dir, const std::string& env, const std::string& args,
               long frames) {
  const std::string command = "cd '" + dir + "' && env RK17_NONINTERACTIVE=1 " + env + " '" RK17_PROGRAM "' " + args +
                              " > '" + gWork + "/log.txt' 2>&1";
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-52s %6.1f frames per second (%ld frames in %.2f s)%s\n", label, frames / seconds, frames, seconds,
              status == 0 ? "" : "  FAILED");
  std::fflush(stdout);
  return seconds;
}

std::vector<float> decodeFile(const std::string& file) {
  const std::string raw = readCommand("ffmpeg -v error -i '" + file + "' -map 0:a -f s16le -ac 2 -ar 44100 -");
  std::vector<float> left(raw.size() / 4);
  const int16_t* s = reinterpret_cast<const int16_t*>(raw.data());
  for (size_t i = 0; i < left.size(); ++i) left[i] = s[2 * i];
  return left;
}

std::vector<float> decodeSoundtrack(const std::string& mp3, size_t frames) {
  Mp3Stream stream;
  std::vector<float> left;
  if (!stream.open(mp3.c_str(), false)) return left;
  std::vector<int16_t> block(2 * 4096);
  while (left.size() < frames) {
    const int32_t n = stream.read(block.data(), 4096);
    if (n <= 0) break;
    for (int32_t i = 0; i < n; ++i) left.push_back(block[2 * size_t(i)]);
  }
  return left;
}

// Lag (in samples) of got against want that correlates best within +-range; got[i + lag] ~ want[i].
long bestLag(const std::vector<float>& want, const std::vector<float>& got, long range, size_t from, size_t span) {
  long best = 0;
  double bestScore = -1e300;
  for (long lag = -range; lag <= range; ++lag) {
    double score = 0.0, energy = 1e-9;
    for (size_t i = from; i < from + span; ++i) {
      const long j = long(i) + lag;
      if (j < 0 || size_t(j) >= got.size() || i >= want.size()) continue;
      score += double(want[i]) * got[size_t(j)];
      energy += double(got[size_t(j)]) * got[size_t(j)];
    }
    score /= std::sqrt(energy);
    if (score > bestScore) {
      bestScore = score;
      best = lag;
    }
  }
  return best;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string show = argc > 1 ? argv[1] : RK17_SHOW_DIR;
  const long toMs = argc > 2 ? std::atol(argv[2]) : 10000;
  const int fps = argc > 3 ? std::atoi(argv[3]) : 60;
  char pattern[] = "/tmp/bench-video-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  gWork = pattern;
  const long frames = toMs * fps / 1000 + 1;
  const std::string span = "--fps " + std::to_string(fps) + " --to " + std::to_string(toMs);

  // An encoder that reads both inputs and keeps nothing.
  const std::string stubs = gWork + "/stub";
  std::system(("mkdir -p '" + stubs + "' && printf '#!/bin/sh\\ncat <&3 >/dev/null & cat <&4 >/dev/null; wait\\n' > '" +
               stubs + "/ffmpeg' && chmod 755 '" + stubs + "/ffmpeg'")
                  .c_str());
  const std::string discard = "PATH='" + stubs + ":/usr/bin:/bin'";
  // The empty show: only the end time, so frames are cleared and read back.
  const std::string empty = gWork + "/empty";
  std::system(("mkdir -p '" + empty + "/data/scripts' && echo 'DEMO_END " + std::to_string(toMs) + "' > '" + empty +
               "/data/scripts/demo.scr' && cd '" + empty + "' && '" RK17_VDDPACK "' a -q -p falco31 data.vdd data")
                  .c_str());

  std::printf("rendering 0 to %ld ms at %d fps (%ld frames) of %s\n", toMs, fps, frames, show.c_str());
  timeRun("empty show, encoder discards (floor)", empty, discard, "--video '" + gWork + "/floor.mp4' " + span + " -q",
          frames);
  timeRun("show, encoder discards, pixel buffer read-back", show, discard,
          "--video '" + gWork + "/discard.mp4' " + span + " -q", frames);
  timeRun("show, encoder discards, direct read-back", show, discard + " RK17_VIDEO_READBACK=plain",
          "--video '" + gWork + "/plain.mp4' " + span + " -q", frames);
  const std::string mp4 = gWork + "/show.mp4";
  timeRun("show to MP4 (H.264 CRF 18, AAC)", show, "", "--video '" + mp4 + "' " + span + " -q", frames);
  timeRun("show to PNG files (--capture)", show, "", "--capture '" + gWork + "/png' " + span, frames);

  struct stat info = {};
  stat(mp4.c_str(), &info);
  std::printf("MP4 size: %.2f MB (%.2f Mbit/s)\n", info.st_size / 1e6,
              info.st_size * 8.0 / 1e6 / (frames / double(fps)));
  const std::string starts = readCommand("ffprobe -v error -show_entries stream=codec_type,start_time -of csv=p=0 '" +
                                         mp4 + "' | tr '\\n' ' '");
  std::printf("stream start times (type,seconds): %s\n", starts.c_str());
  const std::vector<float> got = decodeFile(mp4);
  const std::vector<float> want = decodeSoundtrack(show + "/rk17.mp3", got.size() + 8192);
  if (got.size() > 3 * 44100 && want.size() > 3 * 44100) {
    const long lag = bestLag(want, got, 4096, 44100, 22050);
    std::printf("audio lag against the soundtrack at 1 s: %ld samples (%.2f ms)\n", lag, lag * 1000.0 / 44100);
  } else {
    std::printf("audio lag: not measured (no soundtrack or audio)\n");
  }
  std::system(("rm -rf '" + gWork + "'").c_str());
  return 0;
}
