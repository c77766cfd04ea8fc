#include "SpectrumAnalyzer.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kPi = 3.14159265358979f;

template <typename T>
float monoAt(const void* samples, int32_t frame) {
  const T* s = static_cast<const T*>(samples);
  return (static_cast<float>(s[2 * frame]) + static_cast<float>(s[2 * frame + 1])) * (0.5f / 32768.0f);
}
}  // namespace

SpectrumAnalyzer::SpectrumAnalyzer() {
  for (std::atomic<float>& h : _history) h.store(0.0f, std::memory_order_relaxed);
  for (int32_t i = 0; i < kWindow; ++i) _window[i] = 0.5f - 0.5f * std::cos(2.0f * kPi * i / kWindow);
  _input = static_cast<float*>(fftwf_malloc(sizeof(float) * kWindow));
  _output = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * (kBands + 1)));
  if (_input && _output) _plan = fftwf_plan_dft_r2c_1d(kWindow, _input, _output, FFTW_ESTIMATE);
}

SpectrumAnalyzer::~SpectrumAnalyzer() {
  if (_plan) fftwf_destroy_plan(_plan);
  fftwf_free(_input);
  fftwf_free(_output);
}

void SpectrumAnalyzer::feed(const void* samples, int32_t frames, SampleFormat format) {
  uint32_t position = _written.load(std::memory_order_relaxed);
  for (int32_t i = 0; i < frames; ++i, ++position) {
    float mono = 0.0f;
    switch (format) {
      case SampleFormat::S16:
        mono = monoAt<int16_t>(samples, i);
        break;
      case SampleFormat::S32:
        mono = monoAt<int32_t>(samples, i);
        break;
      case SampleFormat::Float32:
        mono = monoAt<float>(samples, i);
        break;
    }
    _history[position % kWindow].store(mono, std::memory_order_relaxed);
  }
  _written.store(position, std::memory_order_release);
}

const float* SpectrumAnalyzer::compute() {
  if (!_plan) {
    _bands.fill(0.0f);
    return _bands.data();
  }
  // Oldest sample first. A block fed meanwhile only mixes two neighbouring windows.
  const uint32_t end = _written.load(std::memory_order_acquire);
  for (int32_t i = 0; i < kWindow; ++i)
    _input[i] = _history[(end + static_cast<uint32_t>(i)) % kWindow].load(std::memory_order_relaxed) * _window[i];
  fftwf_execute(_plan);
  // A sine of amplitude A at a bin centre gives |X| = A x N / 4 under the Hann window.
  const float scale = 4.0f / kWindow;
  for (int32_t k = 0; k < kBands; ++k) {
    const float magnitude = std::sqrt(_output[k][0] * _output[k][0] + _output[k][1] * _output[k][1]) * scale;
    _bands[k] = std::min(magnitude, 1.0f);
  }
  return _bands.data();
}

void SpectrumAnalyzer::clear() {
  for (std::atomic<float>& h : _history) h.store(0.0f, std::memory_order_relaxed);
  _bands.fill(0.0f);
}
