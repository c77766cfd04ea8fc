// bench_video [--show DIR] [--from MS] [--to MS] [--fps N] [--compare]: renders the show in DIR
// (default: the build's run folder), the whole show or the range FROM..TO, to videos and prints
// for each run its export rate (frames per second and times real time), its processor time per
// frame and what two idle cores would give at that processor time; the share of each stage of
// the default export (clear + read-back + pipe, rendering, encoding), the files' sizes, and the
// SSIM of each quality against the lossless render of the same range, per second of the show.
// --compare also encodes the lossless render with each candidate encoder setting of the default
// and prints encode time, size and SSIM next to it. Then the audio/video offset of the default
// MP4 against the soundtrack as the show hears it.
// Processor times are the children's user + system time, so they hold on a loaded machine;
// wall-clock rates only on a quiet one.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
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

// SSIM "All" of each frame in an ffmpeg ssim filter stats file, averaged per second of show.
std::vector<double> perSecondSsim(const std::string& stats, int fps) {
  std::vector<double> frames;
  for (size_t at = stats.find("All:"); at != std::string::npos; at = stats.find("All:", at + 4))
    frames.push_back(std::atof(stats.c_str() + at + 4));
  std::vector<double> seconds;
  for (size_t i = 0; i < frames.size(); i += size_t(fps)) {
    const size_t end = std::min(frames.size(), i + size_t(fps));
    double sum = 0;
    for (size_t j = i; j < end; ++j) sum += frames[j];
    seconds.push_back(sum / double(end - i));
  }
  return seconds;
}

struct SsimSummary {
  double worst = 1, mean = 0, largestDrop = 0;  // largestDrop: most below base in one second
  int worstSecond = 0, dropSecond = 0;
};

SsimSummary summarise(const std::vector<double>& seconds, const std::vector<double>& base) {
  SsimSummary s;
  for (size_t i = 0; i < seconds.size(); ++i) {
    s.mean += seconds[i] / double(seconds.size());
    if (seconds[i] < s.worst) s.worst = seconds[i], s.worstSecond = int(i);
    const double drop = i < base.size() ? base[i] - seconds[i] : 0.0;
    if (drop > s.largestDrop) s.largestDrop = drop, s.dropSecond = int(i);
  }
  return s;
}

double childSeconds() {
  rusage usage = {};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
  double wall = 0;  // s
  double cpu = 0;   // s of processor time, rk17 and the encoder together
  long frames = 0;  // from rk17's closing line
  bool ok = false;
};

Run runCommand(const std::string& command) {
  Run run;
  const double cpu0 = childSeconds();
  const auto start = std::chrono::steady_clock::now();
  run.ok = std::system(command.c_str()) == 0;
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = childSeconds() - cpu0;
  return run;
}

// Runs rk17 in dir with args and the environment prefix env; the frame count comes from its
// closing line "rk17: wrote FILE (N frames, ...)".
Run runRk17(const std::string& dir, const std::string& env, const std::string& args) {
  const std::string log = gWork + "/log.txt";
  Run run = runCommand("cd '" + dir + "' && env RK17_NONINTERACTIVE=1 " + env + " '" RK17_PROGRAM "' " + args +
                       " > '" + log + "' 2>&1");
  std::ifstream in(log);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t at = text.rfind("rk17: wrote ");
  const size_t open = at == std::string::npos ? at : text.find(" (", at);
  if (open != std::string::npos) run.frames = std::atol(text.c_str() + open + 2);
  if (run.frames <= 0) run.ok = false;
  return run;
}

void printRun(const char* label, const Run& run, int fps) {
  const double rate = run.frames / run.wall;
  const double idle = run.frames / (run.cpu / 2);  // both cores busy, nothing else running
  std::printf("%-44s %6.1f fps %5.2fx  %6.1f ms CPU/frame  %6.1f fps %5.2fx%s\n", label, rate, rate / fps,
              1000 * run.cpu / std::max(run.frames, 1L), idle, idle / fps, run.ok ? "" : "  FAILED");
  std::fflush(stdout);
}

long fileSize(const std::string& path) {
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 ? long(info.st_size) : 0;
}

// Per-second mean SSIM (all planes) of video against reference, both compared as RGB planes, so
// the loss of the yuv420p conversion counts too.
std::vector<double> ssimPerSecond(const std::string& video, const std::string& reference, int fps) {
  const std::string stats = gWork + "/ssim.log";
  std::system(("ffmpeg -nostdin -v error -i '" + video + "' -i '" + reference +
               "' -lavfi '[0:v]format=gbrp[a];[1:v]format=gbrp[b];[a][b]ssim=stats_file=" + stats +
               "' -f null - </dev/null")
                  .c_str());
  std::ifstream in(stats);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return perSecondSsim(text, fps);
}

void printSsim(const char* label, const std::vector<double>& seconds, const std::vector<double>& base) {
  if (seconds.empty()) {
    std::printf("%-28s SSIM not measured\n", label);
    return;
  }
  const SsimSummary s = summarise(seconds, base);
  std::printf("%-28s SSIM per second: worst %.4f (second %d), mean %.4f", label, s.worst, s.worstSecond, s.mean);
  if (!base.empty()) std::printf(", largest drop against the default %.4f (second %d)", s.largestDrop, s.dropSecond);
  std::printf("\n");
}

std::vector<float> decodeFile(const std::string& file) {
  const std::string raw = readCommand("ffmpeg -nostdin -v error -i '" + file + "' -map 0:a -f s16le -ac 2 -ar 44100 -");
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

// Candidate settings of the default quality, encoded from the lossless render (--compare).
const char* const kCandidates[][2] = {
    {"medium CRF 18 (the default)", "-preset medium -crf 18"},
    {"medium CRF 18 trellis off", "-preset medium -crf 18 -x264-params trellis=0"},
    {"faster CRF 18", "-preset faster -crf 18"},
    {"faster CRF 18.5 tune ssim", "-preset faster -tune ssim -crf 18.5"},
    {"veryfast CRF 18", "-preset veryfast -crf 18"},
    {"veryfast CRF 18.5 tune ssim", "-preset veryfast -tune ssim -crf 18.5"},
    {"veryfast CRF 21 (small)", "-preset veryfast -crf 21"},
};

void compareSettings(const std::string& lossless, int fps, const std::vector<double>& base) {
  std::printf("\nencoder settings on the lossless render (processor time of encoding, decoding subtracted):\n");
  const std::string input = "ffmpeg -nostdin -v error -y -i '" + lossless + "' -an ";
  const Run decode = runCommand(input + "-pix_fmt yuv420p -f null - </dev/null");
  for (const auto& candidate : kCandidates) {
    const std::string out = gWork + "/candidate.mp4";
    const Run run = runCommand(input + "-c:v libx264 " + candidate[1] + " -pix_fmt yuv420p '" + out + "' </dev/null");
    const long frames = std::max(1L, long(base.size()) * fps);
    const double encodeMs = 1000 * (run.cpu - decode.cpu) / double(frames);
    const long bytes = fileSize(out);
    char label[160];
    std::snprintf(label, sizeof label, "  %-36s %6.1f ms CPU/frame %7.2f MB", candidate[0], encodeMs, bytes / 1e6);
    std::printf("%s", label);
    const SsimSummary s = summarise(ssimPerSecond(out, lossless, fps), base);
    std::printf("  worst second %.4f, mean %.4f, largest drop %.4f%s\n", s.worst, s.mean, s.largestDrop,
                run.ok ? "" : "  FAILED");
    std::fflush(stdout);
  }
}
}  // namespace

int main(int argc, char** argv) {
  std::string show = RK17_SHOW_DIR;
  std::string range;  // rk17's --from/--to arguments
  long fromMs = 0;
  int fps = 60;
  bool compare = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--compare") {
      compare = true;
    } else if (next && arg == "--show") {
      show = next, ++i;
    } else if (next && (arg == "--from" || arg == "--to")) {
      range += " " + arg + " " + std::to_string(std::atol(next));
      if (arg == "--from") fromMs = std::atol(next);
      ++i;
    } else if (next && arg == "--fps") {
      fps = std::max(1, std::atoi(next)), ++i;
    } else {
      std::fprintf(stderr, "usage: bench_video [--show DIR] [--from MS] [--to MS] [--fps N] [--compare]\n");
      return 2;
    }
  }
  char pattern[] = "/tmp/bench-video-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  gWork = pattern;
  const std::string span = "--fps " + std::to_string(fps) + range;

  // An encoder that reads both inputs and keeps nothing.
  const std::string stubs = gWork + "/stub";
  std::system(("mkdir -p '" + stubs + "' && printf '#!/bin/sh\\ncat <&3 >/dev/null & cat <&4 >/dev/null; wait\\n' > '" +
               stubs + "/ffmpeg' && chmod 755 '" + stubs + "/ffmpeg'")
                  .c_str());
  const std::string discard = "PATH='" + stubs + ":/usr/bin:/bin'";

  std::printf("load average at start: %s", readCommand("cut -d' ' -f1-3 /proc/loadavg").c_str());
  std::printf("show %s, %s, processors: %s", show.c_str(), span.c_str(), readCommand("nproc").c_str());
  std::printf("%-44s %16s %22s %16s\n", "run", "export rate", "processor time", "on 2 idle cores");
  const std::string lossless = gWork + "/lossless.mkv";
  const Run lossRun = runRk17(show, "", "--video '" + lossless + "' --quality lossless " + span);
  const long frames = lossRun.frames;
  // The empty show: only the end time, so frames are cleared and read back.
  const std::string empty = gWork + "/empty";
  const long endMs = fromMs + frames * 1000 / fps + 1000;
  std::system(("mkdir -p '" + empty + "/data/scripts' && echo 'DEMO_END " + std::to_string(endMs) + "' > '" + empty +
               "/data/scripts/demo.scr' && cd '" + empty + "' && '" RK17_VDDPACK "' a -q -p falco31 data.vdd data")
                  .c_str());
  const std::string emptySpan = span + (range.find("--to") == std::string::npos
                                            ? " --to " + std::to_string(fromMs + (frames - 1) * 1000 / fps)
                                            : std::string());
  const Run floor = runRk17(empty, discard, "--video '" + gWork + "/floor.mp4' " + emptySpan);
  printRun("empty show, encoder discards (floor)", floor, fps);
  const Run rendered = runRk17(show, discard, "--video '" + gWork + "/discard.mp4' " + span);
  printRun("show, encoder discards, pixel buffer read-back", rendered, fps);
  const Run plain = runRk17(show, discard + " RK17_VIDEO_READBACK=plain", "--video '" + gWork + "/plain.mp4' " + span);
  printRun("show, encoder discards, direct read-back", plain, fps);
  printRun("show, --quality lossless", lossRun, fps);
  const std::string crf = gWork + "/crf.mp4";
  const Run crfRun = runRk17(show, "", "--video '" + crf + "' " + span);
  printRun("show, --quality crf (the default)", crfRun, fps);
  const std::string small = gWork + "/small.mp4";
  const Run smallRun = runRk17(show, "", "--video '" + small + "' --quality small " + span);
  printRun("show, --quality small", smallRun, fps);

  // Stage shares of the default export, in processor time per frame.
  const double perFrame = 1000.0 / std::max(frames, 1L);
  const double readBack = floor.cpu * perFrame;
  const double rendering = std::max(0.0, rendered.cpu - floor.cpu) * perFrame;
  const double encoding = std::max(0.0, crfRun.cpu - rendered.cpu) * perFrame;
  const double total = std::max(crfRun.cpu * perFrame, 1e-9);
  std::printf("\nstages of the default export (ms CPU per frame): clear + read-back + pipe %.1f (%.0f%%), "
              "rendering %.1f (%.0f%%), encoding %.1f (%.0f%%)\n",
              readBack, 100 * readBack / total, rendering, 100 * rendering / total, encoding, 100 * encoding / total);
  const double seconds = frames / double(fps);
  for (const auto& file : {std::make_pair("crf", crf), std::make_pair("small", small),
                           std::make_pair("lossless", lossless)})
    std::printf("%-9s file: %8.2f MB, %6.2f MB per second of show (%.2f Mbit/s)\n", file.first,
                fileSize(file.second) / 1e6, fileSize(file.second) / 1e6 / seconds,
                fileSize(file.second) * 8e-6 / seconds);

  const std::vector<double> crfSsim = ssimPerSecond(crf, lossless, fps);
  printSsim("crf against lossless:", crfSsim, {});
  printSsim("small against lossless:", ssimPerSecond(small, lossless, fps), crfSsim);
  if (compare) compareSettings(lossless, fps, crfSsim);

  // The soundtrack starts at demo time 0: the offset is measured on ranges from there.
  const std::vector<float> got = fromMs == 0 ? decodeFile(crf) : std::vector<float>();
  const std::vector<float> want = decodeSoundtrack(show + "/rk17.mp3", got.size() + 8192);
  if (got.size() > 3 * 44100 && want.size() > 3 * 44100) {
    const long lag = bestLag(want, got, 4096, 44100, 22050);
    std::printf("audio lag against the soundtrack at 1 s: %ld samples (%.2f ms)\n", lag,
                lag * 1000.0 / 44100);
  } else {
    std::printf("audio lag: not measured (a range not from 0, no soundtrack or no audio)\n");
  }
  std::printf("load average at end: %s", readCommand("cut -d' ' -f1-3 /proc/loadavg").c_str());
  std::system(("rm -rf '" + gWork + "'").c_str());
  return 0;
}
