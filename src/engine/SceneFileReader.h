#pragma once
// Little-endian reading of a scene or morph data file held in a MemoryFile, with every count
// checked against the bytes left before anything is allocated or read. After the first failed
// read the reader stays failed and reads nothing more.
#include <cstdint>
#include <string>

#include "MemoryFile.h"

class SceneFileReader {
 public:
  // Longest string kept, in bytes; the rest of a longer string is skipped.
  static constexpr int32_t kMaxStringLength = 1024;

  explicit SceneFileReader(MemoryFile* file) : _file(file) {}

  bool readInt(int32_t& value);
  bool readFloat(float& value);
  // count floats into values.
  bool readFloats(float* values, size_t count);
  // int32 byte count, then the bytes; text after a zero byte is dropped. A negative count or one
  // past the end of the file fails.
  bool readString(std::string& text);
  // Whether count items of itemSize bytes fit in the bytes left (false for a negative count).
  bool fits(int64_t count, size_t itemSize) const;
  // Marks the reader failed when count items of itemSize do not fit; returns fits().
  bool require(int64_t count, size_t itemSize);
  uint32_t remaining() const;
  bool failed() const { return _failed; }

 private:
  bool readBytes(void* destination, size_t size);

  MemoryFile* _file;
  bool _failed = false;
};
