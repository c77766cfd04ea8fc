// bench_audio_playback [file.mp3]: plays the soundtrack (default show/rk17.mp3 of the build)
// on SDL's current audio driver and prints
// - latency: time of the seek + play calls on the main thread, and from the play call to the
//   first non-silent block handed to the device (a DSP unit timestamps it), over 10 restarts;
//   the device adds its own buffer (printed) on top;
// - CPU share of the audio thread and the decoder thread over 10 s of playing (from
//   /proc/self/task/*/schedstat);
// - spectrum totals (sum of the 512 bands) of the soundtrack every 40 ms, offline.
#include "SoundSystem.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {
std::atomic<uint64_t> gFirstSound{0};  // performance counter at the first non-silent block, 0 = none yet

void detectSound(const DspBlock& block, void*) {
  if (gFirstSound.load(std::memory_order_relaxed) != 0) return;
  const int16_t* s = static_cast<const int16_t*>(block.samples);
  for (int32_t i = 0; i < 2 * block.frames; ++i)
    if (s[i] != 0) {
      gFirstSound.store(SDL_GetPerformanceCounter());
      return;
    }
}

double msBetween(uint64_t a, uint64_t b) {
  return static_cast<double>(b - a) * 1000.0 / static_cast<double>(SDL_GetPerformanceFrequency());
}

// Nanoseconds on a CPU per thread name (first field of /proc/self/task/<tid>/schedstat).
std::map<std::string, double> threadCpuNs() {
  std::map<std::string, double> ns;
  DIR* dir = opendir("/proc/self/task");
  if (!dir) return ns;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const std::string task = std::string("/proc/self/task/") + entry->d_name;
    std::ifstream commFile(task + "/comm");
    std::string name;
    std::getline(commFile, name);
    std::ifstream statFile(task + "/schedstat");
    double onCpu = 0.0;
    if (statFile >> onCpu) ns[name] += onCpu;
  }
  closedir(dir);
  return ns;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : std::string(RK17_SHOW_DIR) + "/rk17.mp3";
  const char* driver = SDL_getenv("SDL_AUDIODRIVER");
  std::printf("file %s, audio driver %s\n", path.c_str(), driver ? driver : "(default)");
  {
    SoundSystem sound;
    if (!sound.init(44100, 8)) {
      std::printf("no audio device: %s\n", SDL_GetError());
      return 1;
    }
    std::printf("device: %s, block %d frames (%.1f ms)\n", SDL_GetCurrentAudioDriver(), sound.getBufferLength(),
                sound.getBufferLength() * 1000.0 / 44100);
    DspUnit* unit = sound.createDsp(&detectSound, 0, nullptr);
    sound.setDspActive(unit, true);
    const int32_t stream = sound.openStream(path.c_str());
    if (stream == 0) {
      std::printf("could not open %s\n", path.c_str());
      return 1;
    }
    std::vector<double> callMs;
    std::vector<double> soundMs;
    int32_t channel = -1;
    for (int run = 0; run < 10; ++run) {
      if (channel >= 0) sound.setPaused(channel, true);
      SDL_Delay(100);
      gFirstSound.store(0);
      const uint64_t start = SDL_GetPerformanceCounter();
      sound.setStreamTime(stream, 1000 + run * 5000);
      channel = sound.playStream(stream, true);
      sound.setPaused(channel, false);
      const uint64_t called = SDL_GetPerformanceCounter();
      for (int i = 0; i < 2000 && gFirstSound.load() == 0; ++i) SDL_Delay(1);
      callMs.push_back(msBetween(start, called));
      if (gFirstSound.load() != 0) soundMs.push_back(msBetween(start, gFirstSound.load()));
    }
    std::printf("seek + play calls: median %.2f ms, max %.2f ms\n", median(callMs),
                *std::max_element(callMs.begin(), callMs.end()));
    if (!soundMs.empty())
      std::printf("play call to first music block mixed: median %.1f ms, max %.1f ms (%zu of 10 runs)\n",
                  median(soundMs), *std::max_element(soundMs.begin(), soundMs.end()), soundMs.size());

    const std::map<std::string, double> before = threadCpuNs();
    const uint64_t t0 = SDL_GetPerformanceCounter();
    SDL_Delay(10000);
    const std::map<std::string, double> after = threadCpuNs();
    const double seconds = msBetween(t0, SDL_GetPerformanceCounter()) / 1000.0;
    for (const auto& entry : after) {
      const auto old = before.find(entry.first);
      const double busy = entry.second - (old == before.end() ? 0.0 : old->second);
      std::printf("thread %-16s CPU %.3f%% of one core over %.1f s\n", entry.first.c_str(),
                  100.0 * busy / 1e9 / seconds, seconds);
    }
    sound.close();
  }
  {
    SoundSystem offline;
    offline.initOffline();
    offline.setDspActive(offline.getFFTUnit(), true);
    const int32_t stream = offline.openStream(path.c_str());
    offline.setStreamTime(stream, 0);
    offline.setPaused(offline.playStream(stream, true), false);
    std::vector<double> totals;
    for (int32_t t = 40; t < 74000; t += 40) {
      offline.mixOfflineUntil(t);
      const float* bands = offline.getSpectrum();
      double sum = 0.0;
      for (int32_t k = 0; k < SpectrumAnalyzer::kBands; ++k) sum += bands[k];
      totals.push_back(sum);
    }
    std::vector<double> sorted = totals;
    std::sort(sorted.begin(), sorted.end());
    std::printf("spectrum total every 40 ms: min %.2f, median %.2f, 90%% %.2f, max %.2f\n", sorted.front(),
                sorted[sorted.size() / 2], sorted[sorted.size() * 9 / 10], sorted.back());
    std::printf("first 2 s:");
    for (size_t i = 0; i < 50; ++i) std::printf(" %.1f", totals[i]);
    std::printf("\n");
  }
  return 0;
}
