#pragma once
// One channel's adaptive predictor of the RAR 2.0 audio mode: five weights that adapt every
// 32 bytes toward the smallest of eleven accumulated prediction errors.
#include <cstdint>

class Rar20AudioChannel {
 public:
  // All weights, deltas, sums and counters zero.
  Rar20AudioChannel() { reset(); }
  void reset();

  // Decodes one byte from the coded delta (0..255). channelDelta is the delta shared by all
  // channels: read as an input and replaced by this channel's new last delta.
  uint8_t decode(int delta, int* channelDelta);

 private:
  int _k[5];             // weights K1..K5, kept within -17..16
  int _d[4];             // past deltas D1..D4
  int _lastDelta;        // last output change, a signed byte
  uint32_t _errors[11];  // accumulated absolute prediction errors of the eleven candidates
  uint32_t _byteCount;   // bytes decoded on this channel
  int _lastByte;         // last output byte, 0..255
};
