// bench_playback [SHOW_DIR [SECONDS]] [per-second] [--start S] [--data DIR]...: plays the show from
// SHOW_DIR (default: the build's run folder; with --data, the script and data files come from the
// folders, as with rk17 --data; --start: from S seconds of demo time, as rk17 --start) in real time through the runner's own frame step, as rk17 does, and prints:
// the time from start to the first swapped frame (the loading picture) and to the show's start;
// for the show's first SECONDS (default: the whole show) the mean frames per second, the worst
// 1-second window with its demo time, the 99th-percentile and the longest frames with their demo
// times, heap allocations per frame (a counting operator new; every thread counts, so GL driver
// shader compiles show up too) and the demo times of frames that allocated, resident memory at
// the show's start, after its first tenth and at its end (with the peak); how much music the
// sound system moved on against the demo clock's advance (negative: the music lags; frames
// skipped after a decoder underrun count as passed); finally the
// clear-and-swap floor measured in the same window right after the show, and the process's CPU
// time per frame (all threads, the renderer's included). "per-second" adds one
// line per second of demo time (frames, longest frame, allocations) to find slow sections.
#include <SDL.h>
#include <epoxy/gl.h>
#include <execinfo.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "DemoClock.h"
#include "DemoRunner.h"
#include "DemoSettings.h"
#include "SoundSystem.h"
#include "Switches.h"

namespace {
std::atomic<long> gAllocations{0};
// With RK17_BENCH_TRACE_ALLOCATIONS set: the call stack of the first allocation of each frame
// of the show goes to stderr (at most kTraceLimit of them); resolve with addr2line.
std::atomic<bool> gTraceNext{false};
std::atomic<int> gTraces{0};
std::atomic<int64_t> gTraceDemoMs{0};
constexpr int kTraceLimit = 40;
thread_local bool tInTrace = false;

void traceAllocation() {
  if (tInTrace || !gTraceNext.exchange(false) || gTraces.fetch_add(1) >= kTraceLimit) return;
  tInTrace = true;
  void* stack[32];
  const int n = backtrace(stack, 32);
  std::fprintf(stderr, "allocation in the frame at %.3f s:\n", gTraceDemoMs.load() / 1000.0);
  backtrace_symbols_fd(stack, n, 2);
  tInTrace = false;
}
}  // namespace

// Not inlined: GCC would otherwise pair the malloc and free inside them with the callers'
// new and delete and warn about a mismatch.
__attribute__((noinline)) void* operator new(size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  traceAllocation();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {
using Clock = std::chrono::steady_clock;

// CPU time of the whole process (every thread: the renderer's too) in ms.
double processCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

struct Frame {
  double start = 0.0;    // s of wall time since the loop began
  double ms = 0.0;       // wall time of the whole step, swap included
  int64_t demoMs = 0;    // clock reading when the step began
  long allocations = 0;  // operator new calls during the step
};

// Resident set size in KiB (0 when /proc cannot be read).
long residentKiB() {
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(f);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Peak resident set size in KiB (VmHWM).
long peakResidentKiB() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atol(line + 6);
  std::fclose(f);
  return kib;
}

// Mean frame time in ms of clear + swap alone, over about duration seconds.
double floorMs(DemoEngine& engine, double duration) {
  const Clock::time_point start = Clock::now();
  int frames = 0;
  while (secondsBetween(start, Clock::now()) < duration) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    engine.swapBuffers();
    ++frames;
  }
  glFinish();
  return secondsBetween(start, Clock::now()) * 1000.0 / frames;
}

// The 1-second window (starting at a frame) with the fewest frames that start inside it; only
// windows that end before the last frame count. Returns the index of its first frame (or -1).
long worstWindow(const std::vector<Frame>& frames, long* count) {
  long worst = -1;
  *count = 0;
  size_t end = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    while (end < frames.size() && frames[end].start < frames[i].start + 1.0) ++end;
    if (end == frames.size()) break;
    const long n = static_cast<long>(end - i);
    if (worst < 0 || n < *count) {
      worst = static_cast<long>(i);
      *count = n;
    }
  }
  return worst;
}

void printPerSecond(const std::vector<Frame>& frames) {
  std::printf("per second of demo time: second, frames, longest ms, allocations\n");
  size_t i = 0;
  while (i < frames.size()) {
    const int64_t second = frames[i].demoMs >= 0 ? frames[i].demoMs / 1000 : -1;
    long n = 0, allocations = 0;
    double longest = 0.0;
    for (; i < frames.size() && (frames[i].demoMs >= 0 ? frames[i].demoMs / 1000 : -1) == second; ++i) {
      ++n;
      allocations += frames[i].allocations;
      longest = std::max(longest, frames[i].ms);
    }
    std::printf("  %4lld s %5ld %7.1f %6ld\n", static_cast<long long>(second), n, longest, allocations);
  }
}

void printReport(const std::vector<Frame>& frames, double seconds, long rssStart, long rssEarly, long rssEnd) {
  const size_t n = frames.size();
  if (n == 0) {
    std::printf("no frames\n");
    return;
  }
  std::printf("frames: %zu in %.2f s of playback: mean %.1f frames per second (%.2f ms per frame)\n", n, seconds,
              n / seconds, seconds * 1000.0 / n);
  long windowFrames = 0;
  const long window = worstWindow(frames, &windowFrames);
  if (window >= 0)
    std::printf("worst 1-second window: %ld frames, from demo time %.2f s\n", windowFrames,
                frames[window].demoMs / 1000.0);

  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return frames[a].ms < frames[b].ms; });
  const size_t p99 = order[std::min(n - 1, (n * 99 + 99) / 100 - 1)];
  std::printf("99th-percentile frame: %.1f ms (at demo time %.2f s)\n", frames[p99].ms, frames[p99].demoMs / 1000.0);
  std::printf("longest frames:");
  for (size_t k = 0; k < std::min<size_t>(5, n); ++k) {
    const Frame& f = frames[order[n - 1 - k]];
    std::printf(" %.1f ms at %.2f s%s", f.ms, f.demoMs / 1000.0, k + 1 < std::min<size_t>(5, n) ? "," : "\n");
  }
  long over50 = 0;
  for (const Frame& f : frames) over50 += f.ms > 50.0 ? 1 : 0;
  std::printf("frames longer than 50 ms: %ld\n", over50);

  long allocations = 0, allocating = 0;
  for (const Frame& f : frames) {
    allocations += f.allocations;
    allocating += f.allocations > 0 ? 1 : 0;
  }
  std::printf("allocations: %.3f per frame (%ld in %ld of %zu frames)", double(allocations) / n, allocations,
              allocating, n);
  long shown = 0;
  for (size_t i = 0; i < n && shown < 8; ++i) {
    if (frames[i].allocations == 0) continue;
    std::printf("%s%ld at %.2f s", shown == 0 ? ": " : ", ", frames[i].allocations, frames[i].demoMs / 1000.0);
    ++shown;
  }
  std::printf("%s\n", allocating > shown ? ", ..." : "");
  std::printf(
      "resident memory: %ld KiB at the start, %ld KiB after the first tenth, %ld KiB at the end (peak %ld KiB)\n",
      rssStart, rssEarly, rssEnd, peakResidentKiB());
}
}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point processStart = Clock::now();
  // A measurement never waits for a person: reports go to stderr, not to a message box. Without a
  // sound card the music still plays and the oscilloscope still draws, through SDL's silent
  // driver; a driver or mode set in the environment wins.
  Switches::readEnvironment();
  if (!Switches::isGiven(Switch::NonInteractive)) Switches::set(Switch::NonInteractive, true);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::vector<const char*> positional;
  AuthoringOptions options;
  bool perSecond = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "per-second") == 0)
      perSecond = true;
    else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
      options.dataFolders.push_back(argv[++i]);
    else if (std::strcmp(argv[i], "--start") == 0 && i + 1 < argc) {
      options.hasStart = true;
      options.startMs = int32_t(std::atof(argv[++i]) * 1000.0);
    }
    else
      positional.push_back(argv[i]);
  }
  const char* dir = positional.size() > 0 ? positional[0] : RK17_SHOW_DIR;
  const double limit = positional.size() > 1 ? std::atof(positional[1]) : 0.0;
  if (chdir(dir) != 0) {
    std::fprintf(stderr, "bench_playback: cannot enter %s\n", dir);
    return 1;
  }
  DemoClock& clock = DemoClock::instance();
  DemoRunner runner(clock);
  runner.setAuthoring(options, nullptr);
  if (!runner.startUp()) return 1;
  const double startUp = secondsBetween(processStart, Clock::now());
  std::printf("start-up to the show's first frame (window, loading picture, script, preparation, music): %.0f ms\n",
              startUp * 1000.0);
  std::printf("of which the warm-up (rehearsed frames before the show): %.0f ms for %d times\n", runner.warmUpMs(),
              runner.warmUpTimes());
  DemoSettings& settings = demoSettings();
  if (limit > 0) settings.endTime = settings.startTime + int32_t(limit * 1000.0);

  std::vector<Frame> frames;
  frames.reserve(static_cast<size_t>((settings.endTime - settings.startTime) / 1000 + 2) * 1000);
  const long rssStart = residentKiB();
  long rssEarly = 0;
  const int64_t earlyMs = settings.startTime + (settings.endTime - settings.startTime) / 10;
  SoundSystem& sound = SoundSystem::instance();
  const uint64_t playedStart = sound.streamFramesPlayed();
  const uint64_t skippedStart = sound.streamFramesSkipped();
  const int64_t clockStart = clock.now();
  const bool trace = Switches::isOn(Switch::BenchTraceAllocations);
  const Clock::time_point loopStart = Clock::now();
  const double cpuStart = processCpuMs();
  bool more = true;
  while (more && !settings.quit) {
    Frame frame;
    const Clock::time_point begin = Clock::now();
    frame.start = secondsBetween(loopStart, begin);
    frame.demoMs = clock.now();
    const long allocationsBefore = gAllocations.load();
    if (trace) {
      gTraceDemoMs = frame.demoMs;
      gTraceNext = true;
    }
    more = runner.runOneFrame();
    frame.allocations = gAllocations.load() - allocationsBefore;
    frame.ms = secondsBetween(begin, Clock::now()) * 1000.0;
    if (frames.size() < frames.capacity()) frames.push_back(frame);
    if (rssEarly == 0 && frame.demoMs >= earlyMs) rssEarly = residentKiB();
  }
  const double seconds = secondsBetween(loopStart, Clock::now());
  const double cpuMs = processCpuMs() - cpuStart;
  const double clockSeconds = (clock.now() - clockStart) / 1000.0;
  const double skippedSeconds = double(sound.streamFramesSkipped() - skippedStart) / SoundSystem::kMixRate;
  const double musicSeconds =
      double(sound.streamFramesPlayed() - playedStart) / SoundSystem::kMixRate + skippedSeconds;
  const long rssEnd = residentKiB();
  if (!frames.empty() && !more) frames.pop_back();  // the step that found the end time swapped nothing
  printReport(frames, seconds, rssStart, rssEarly, rssEnd);
  if (!frames.empty())
    std::printf("process CPU time: %.2f ms per frame, every thread (steadier than frame times on a busy machine)\n",
                cpuMs / double(frames.size()));
  if (sound.isInitialised() && settings.music)
    std::printf(
        "music against the demo clock: %.3f s of music passed in %.3f s of clock (music %+.0f ms; %.3f s of it "
        "skipped after the decoder fell behind)\n",
        musicSeconds, clockSeconds, (musicSeconds - clockSeconds) * 1000.0, skippedSeconds);
  else
    std::printf("music: not playing (no audio device or music off)\n");
  const double floor = floorMs(runner.engine(), 1.0);
  std::printf("clear-and-swap floor in the same run: %.2f ms per frame (%.0f frames per second)\n", floor,
              1000.0 / floor);
  if (perSecond) printPerSecond(frames);
  runner.shutDown();
  return 0;
}
