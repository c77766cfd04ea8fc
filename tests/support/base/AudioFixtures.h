#pragma once
// Test material for the sound tests: MP3 files made at test time with sox and lame, reference
// decodes made directly with libmpg123 from the start of a file, and SDL audio driver settings.
#include <cstdint>
#include <string>
#include <vector>

class AudioFixtures {
 public:
  // Writes a 16-bit stereo 44100 Hz WAV made by sox with the given synth arguments (e.g.
  // "6 sine 100:8000 sine 300:5000") and encodes it as constant-bit-rate MP3 with lame.
  // Returns the MP3 path, "" on failure.
  static std::string makeMp3(const std::string& dir, const std::string& name, const std::string& synth);
  // Every frame of the file decoded from its start (gapless), interleaved 16-bit stereo.
  static std::vector<int16_t> decodeAll(const std::string& mp3Path);
  // Selects SDL's disk audio driver writing raw samples to path as fast as possible.
  static void useDiskDriver(const std::string& path);
  // Selects SDL's dummy audio driver (real-time pace, no output).
  static void useDummyDriver();
  // The first maxBytes bytes of a raw 16-bit little-endian file (the disk driver's output grows
  // fast while a device stays open).
  static std::vector<int16_t> readRaw(const std::string& path, size_t maxBytes = 64u << 20);
  // Smallest d in -range..range for which out[0..count) equals ref[refStart + d ..) frame by
  // frame; INT32_MIN when none.
  static int32_t findOffset(const std::vector<int16_t>& out, size_t outFrame, const std::vector<int16_t>& ref,
                            int64_t refStart, int32_t count, int32_t range);
};
