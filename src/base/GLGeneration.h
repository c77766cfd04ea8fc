#pragma once
// Which window GL context the process draws with. GL names kept across frames (programs,
// samplers, textures, pixel buffers) belong to the share group they were made in; once the
// window's context is destroyed and another one made, they name nothing, or another object.
//
// The code that creates the window's context calls advance() once it is current, and so does code
// that makes another window's context current again (objects cached meanwhile belong to the
// context made in between). Each cache of
// GL names holds a GLGeneration and asks changed() before it uses a cached name; on true it drops
// its names without deleting them (their context is gone) and builds them again when needed.
// Pixel buffers' contexts share objects with the window's and do not advance the generation.
// GL thread only; changed() is a compare, no allocation.
#include <cstdint>

class GLGeneration {
 public:
  // Another window context is current: every name cached under an earlier one is stale.
  static void advance();
  // The number of window contexts made so far (0 before the first advance).
  static uint32_t current();

  // True when the window's context was replaced since the previous call on this object (true on
  // the first call after the first advance); the caller then drops what it cached.
  bool changed() {
    if (_seen == current()) return false;
    _seen = current();
    return true;
  }

 private:
  uint32_t _seen = 0;  // generation the holder's names were made in
};
