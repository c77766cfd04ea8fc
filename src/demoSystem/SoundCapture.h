#pragma once
// The program-wide capture of the mixed sound for the oscilloscope: a DSP unit that copies every
// mixed block, as 16-bit mono, into a ring of the mixer's ring length (+16 spare samples), and
// the index of the block written next.
//
// Hand-over: the DSP callback (audio thread) writes a block, then publishes the next block index
// (release); the drawing loads the index once per frame (acquire) and reads the oldest complete
// block, which the mixer will not touch for most of a block's time. Samples are relaxed atomics,
// so a block overwritten while it is drawn only distorts one frame's trace.
#include "DspUnit.h"

#include <atomic>
#include <cstdint>
#include <memory>

class SoundLibrary;

class SoundCapture {
 public:
  static constexpr int32_t kSpareSamples = 16;  // beyond the ring: the trace's last point
  static constexpr int32_t kPriority = 303;     // DSP unit priority

  SoundCapture() = default;
  ~SoundCapture();  // stop()
  SoundCapture(const SoundCapture&) = delete;
  SoundCapture& operator=(const SoundCapture&) = delete;

  // The program-wide capture (never destroyed).
  static SoundCapture& instance();

  // Creates the DSP unit on library, a zeroed ring of the library's ring length + 16 samples and
  // block index 0, and switches the unit on. A running capture is stopped first (its unit freed),
  // so a repeated start leaves exactly one unit. False (nothing running) when the library gives
  // no unit or no usable block and ring lengths.
  bool start(SoundLibrary& library);
  // Switches the unit off and frees it; the ring stays readable. Safe when not started.
  void stop();
  bool isRunning() const { return _unit != nullptr; }

  // The DSP callback (audio thread): converts the block to mono by its mixer type
  // (2, 3, 6, 7: 16-bit stereo, (l + r) >> 1; 5: float stereo, (l + r) x 0.5 truncated;
  // other: 32-bit stereo, (l + r) >> 1), stores each result's low 16 bits at ring position
  // blockLength x index, then advances the index, wrapping to 0 after the last block of the ring.
  // Writes beyond the ring allocated at start are dropped. capture is the SoundCapture.
  static void captureBlock(const DspBlock& block, void* capture);

  int32_t blockIndex() const { return _blockIndex.load(std::memory_order_acquire); }
  int32_t blockLength() const { return _blockLength; }  // frames per block at start
  int32_t ringLength() const { return _ringLength; }    // frames in the ring at start
  // Ring sample i (0 .. ringLength + 15); 0 outside or before the first start.
  int16_t sample(int32_t i) const;
  // The ring's storage (for tests: a restart with the same lengths keeps it).
  const void* ringAddress() const { return _ring.get(); }
  // First ring position of the oldest complete block for a given block index:
  // blockLength x (index + 1), less the ring length when not below it.
  int32_t traceStart(int32_t index) const;

 private:
  DspUnit* _unit = nullptr;
  SoundLibrary* _library = nullptr;  // the library _unit belongs to
  std::unique_ptr<std::atomic<int16_t>[]> _ring;
  int32_t _ringSize = 0;     // allocated samples: _ringLength + kSpareSamples
  int32_t _blockLength = 0;  // frames
  int32_t _ringLength = 0;   // frames
  std::atomic<int32_t> _blockIndex{0};
};
