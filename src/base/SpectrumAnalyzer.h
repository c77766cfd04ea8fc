#pragma once
// The spectrum of the output: the audio thread feeds every mixed block (mono, lock-free); the
// main thread asks for 512 bands computed from the newest 1024 samples with a Hann window and
// FFTW (single precision).
//
// Scale: band k covers k x 44100 / 1024 Hz (about 43 Hz wide, band 0 = DC); a full-scale sine
// at a band's centre gives 1.0 in that band, off centre at least 0.84; values are clamped to 0..1.
#include "SampleFormat.h"

#include <fftw3.h>

#include <array>
#include <atomic>
#include <cstdint>

class SpectrumAnalyzer {
 public:
  static constexpr int32_t kBands = 512;
  static constexpr int32_t kWindow = 2 * kBands;  // samples per transform

  // Plans the transform (main thread: FFTW planning is not thread-safe).
  SpectrumAnalyzer();
  ~SpectrumAnalyzer();
  SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
  SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

  // Audio thread: appends frames of interleaved stereo (16-bit scale, SampleFormat.h) as mono.
  void feed(const void* samples, int32_t frames, SampleFormat format);
  // Main thread: the bands of the newest kWindow samples; the array stays valid and is
  // overwritten by the next call.
  const float* compute();
  // Main thread, while nothing feeds: forget the history (all bands 0 again).
  void clear();

 private:
  std::array<std::atomic<float>, kWindow> _history;  // mono, -1..1, ring
  std::atomic<uint32_t> _written{0};                 // samples fed in total (ring position)
  std::array<float, kWindow> _window;                // Hann coefficients
  float* _input = nullptr;                           // fftwf_malloc'd, kWindow
  fftwf_complex* _output = nullptr;                  // fftwf_malloc'd, kBands + 1
  fftwf_plan _plan = nullptr;
  std::array<float, kBands> _bands{};
};
