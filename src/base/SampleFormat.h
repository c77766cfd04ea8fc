#pragma once
// Sample formats of the mixed blocks that DSP units see. Every format holds interleaved stereo
// frames on the 16-bit scale (full scale = +-32768), whatever its storage type, so a unit can
// treat them alike; the device itself always receives 16-bit signed stereo.
#include <cstdint>

enum class SampleFormat : int32_t {
  S16,      // int16_t per sample
  S32,      // int32_t per sample, 16-bit scale (an unclipped mix accumulator)
  Float32,  // float per sample, 16-bit scale
};

// Mixer type numbers handed to DSP units; a unit picks its block format from them:
// 2, 3, 6, 7 = 16-bit signed, 5 = 32-bit float, any other = 32-bit signed.
constexpr int32_t kMixerTypeS16 = 3;
constexpr int32_t kMixerTypeFloat32 = 5;
constexpr int32_t kMixerTypeS32 = 1;

constexpr int32_t mixerTypeOf(SampleFormat format) {
  return format == SampleFormat::S16 ? kMixerTypeS16
                                     : (format == SampleFormat::Float32 ? kMixerTypeFloat32 : kMixerTypeS32);
}

// Bytes of one sample (one channel of one frame).
constexpr int32_t bytesPerSample(SampleFormat format) { return format == SampleFormat::S16 ? 2 : 4; }
