// bench_playback [SHOW_DIR [SECONDS]]: plays the show from SHOW_DIR (default: the build's run
// folder) in real time, as rk17 does, and prints the time from start to the first swapped frame
// (the loading picture), the script load, and the frames per second over the show's first
// SECONDS (default: the whole show).
#include "DemoClock.h"
#include "DemoRunner.h"
#include "DemoSettings.h"

#include <SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int main(int argc, char** argv) {
  const auto processStart = std::chrono::steady_clock::now();
  const char* dir = argc > 1 ? argv[1] : RK17_SHOW_DIR;
  const double limit = argc > 2 ? std::atof(argv[2]) : 0.0;
  if (chdir(dir) != 0) {
    std::fprintf(stderr, "bench_playback: cannot enter %s\n", dir);
    return 1;
  }
  DemoRunner runner(DemoClock::instance());
  if (!runner.startUp()) return 1;
  const double startUp = secondsSince(processStart);
  std::printf("start-up (window, loading picture swapped, script loaded, music started): %.0f ms\n",
              startUp * 1000.0);
  if (limit > 0) demoSettings().endTime = demoSettings().startTime + int32_t(limit * 1000.0);

  const auto loopStart = std::chrono::steady_clock::now();
  const unsigned long framesBefore = runner.framesRendered();
  runner.runFrameLoop();
  const double seconds = secondsSince(loopStart);
  const unsigned long frames = runner.framesRendered() - framesBefore;
  std::printf("frames: %lu in %.2f s of playback: %.1f frames per second (%.2f ms per frame)\n", frames, seconds,
              frames / seconds, seconds * 1000.0 / frames);
  runner.shutDown();
  return 0;
}
