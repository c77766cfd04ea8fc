#include "SoundCapture.h"

#include "SoundLibrary.h"

#include <algorithm>
#include <cmath>

namespace {
int16_t low16(int64_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF)); }

// Truncation toward zero of an out-of-range or NaN float would be undefined: clamp first.
int64_t truncateFloat(float value) {
  if (std::isnan(value)) return 0;
  const float limit = 2147483520.0f;  // largest float below 2^31
  return static_cast<int64_t>(std::min(std::max(value, -limit), limit));
}
}  // namespace

SoundCapture::~SoundCapture() { stop(); }

SoundCapture& SoundCapture::instance() {
  static SoundCapture* const capture = new SoundCapture();  // deliberately never destroyed
  return *capture;
}

bool SoundCapture::start(SoundLibrary& library) {
  stop();
  const int32_t blockLength = library.getBufferLength();
  const int32_t ringLength = library.getBufferLengthTotal();
  if (blockLength <= 0 || ringLength < blockLength) return false;
  DspUnit* unit = library.createDsp(&SoundCapture::captureBlock, kPriority, this);
  if (!unit) return false;
  // A restart with the same ring length (the show's start event after the warm-up's trial
  // start) keeps the ring: no allocation in a frame of the show.
  const int32_t ringSize = ringLength + kSpareSamples;
  if (!_ring || ringSize != _ringSize) _ring.reset(new std::atomic<int16_t>[static_cast<size_t>(ringSize)]);
  _ringSize = ringSize;
  for (int32_t i = 0; i < _ringSize; ++i) _ring[i].store(0, std::memory_order_relaxed);
  _blockLength = blockLength;
  _ringLength = ringLength;
  _blockIndex.store(0, std::memory_order_release);
  _unit = unit;
  _library = &library;
  library.setDspActive(unit, true);
  return true;
}

void SoundCapture::stop() {
  if (!_unit) return;
  _library->setDspActive(_unit, false);
  _library->freeDsp(_unit);
  _unit = nullptr;
  _library = nullptr;
}

void SoundCapture::captureBlock(const DspBlock& block, void* capture) {
  SoundCapture& self = *static_cast<SoundCapture*>(capture);
  if (!self._ring || block.blockLength <= 0 || !block.samples) return;
  const int32_t blocks = block.ringLength / block.blockLength;
  if (blocks <= 0) return;
  const int32_t index = self._blockIndex.load(std::memory_order_relaxed);
  const int64_t base = static_cast<int64_t>(block.blockLength) * index;
  const int32_t n = static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>(block.frames, self._ringSize - base), 0));
  std::atomic<int16_t>* ring = self._ring.get() + (n > 0 ? base : 0);
  switch (block.mixerType) {
    case 2:
    case 3:
    case 6:
    case 7: {
      const int16_t* s = static_cast<const int16_t*>(block.samples);
      for (int32_t i = 0; i < n; ++i) ring[i].store(low16((s[2 * i] + s[2 * i + 1]) >> 1), std::memory_order_relaxed);
      break;
    }
    case 5: {
      const float* s = static_cast<const float*>(block.samples);
      for (int32_t i = 0; i < n; ++i)
        ring[i].store(low16(truncateFloat((s[2 * i] + s[2 * i + 1]) * 0.5f)), std::memory_order_relaxed);
      break;
    }
    default: {
      const int32_t* s = static_cast<const int32_t*>(block.samples);
      for (int32_t i = 0; i < n; ++i)
        ring[i].store(low16((static_cast<int64_t>(s[2 * i]) + s[2 * i + 1]) >> 1), std::memory_order_relaxed);
      break;
    }
  }
  const int32_t next = index + 1 < blocks ? index + 1 : 0;
  self._blockIndex.store(next, std::memory_order_release);
}

int16_t SoundCapture::sample(int32_t i) const {
  if (!_ring || i < 0 || i >= _ringSize) return 0;
  return _ring[i].load(std::memory_order_relaxed);
}

int32_t SoundCapture::traceStart(int32_t index) const {
  int32_t start = _blockLength * (index + 1);
  if (start >= _ringLength) start -= _ringLength;
  return start;
}
