#pragma once
// A DSP unit: a callback that the mixer runs on the audio thread for every mixed block, after
// the stream was mixed and before the block reaches the output. Units are created and freed
// through SoundSystem, which owns them; a freed unit is never called again.
#include "SampleFormat.h"

#include <atomic>
#include <cstdint>

// One mixed block as a unit sees it. The unit may change the samples in place.
struct DspBlock {
  void* samples = nullptr;      // frames x 2 interleaved samples in format
  int32_t frames = 0;           // frames in this block (always the block length)
  SampleFormat format = SampleFormat::S16;
  int32_t mixerType = kMixerTypeS16;  // mixerTypeOf(format)
  int32_t blockLength = 0;      // frames per mixed block
  int32_t ringLength = 0;       // frames in the mixer's ring of blocks, a whole multiple of blockLength
};

// Runs on the audio thread: must not lock, allocate or block.
using DspCallback = void (*)(const DspBlock& block, void* userData);

class DspUnit {
 public:
  DspUnit() = default;
  DspUnit(const DspUnit&) = delete;
  DspUnit& operator=(const DspUnit&) = delete;

  bool isActive() const { return _active.load(); }
  int32_t priority() const { return _priority; }

 private:
  friend class SoundSystem;

  DspCallback _callback = nullptr;
  void* _userData = nullptr;
  int32_t _priority = 0;            // lower runs first
  std::atomic<bool> _used{false};   // the slot holds a created unit
  std::atomic<bool> _active{false}; // the mixer calls it
};
