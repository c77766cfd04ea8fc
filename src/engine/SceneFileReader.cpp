#include "SceneFileReader.h"

#include <cstring>
#include <vector>

uint32_t SceneFileReader::remaining() const {
  const uint32_t position = tellFile(_file);
  return position < _file->size() ? _file->size() - position : 0;
}

bool SceneFileReader::fits(int64_t count, size_t itemSize) const {
  return count >= 0 && uint64_t(count) <= remaining() / (itemSize ? itemSize : 1);
}

bool SceneFileReader::require(int64_t count, size_t itemSize) {
  if (!_failed && fits(count, itemSize)) return true;
  _failed = true;
  return false;
}

bool SceneFileReader::readBytes(void* destination, size_t size) {
  if (_failed || size > remaining()) {
    _failed = true;
    return false;
  }
  if (size == 0) return true;
  return readFile(destination, size, 1, _file) == 1;
}

bool SceneFileReader::readInt(int32_t& value) {
  uint8_t bytes[4];
  if (!readBytes(bytes, 4)) return false;
  value = int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
  return true;
}

bool SceneFileReader::readFloat(float& value) {
  int32_t bits = 0;
  if (!readInt(bits)) return false;
  std::memcpy(&value, &bits, sizeof value);
  return true;
}

bool SceneFileReader::readFloats(float* values, size_t count) {
  if (!require(int64_t(count), 4)) return false;
  for (size_t i = 0; i < count; ++i)
    if (!readFloat(values[i])) return false;
  return true;
}

bool SceneFileReader::readString(std::string& text) {
  int32_t length = 0;
  if (!readInt(length) || !require(length, 1)) return false;
  const size_t kept = size_t(length < kMaxStringLength ? length : kMaxStringLength);
  text.assign(kept, '\0');
  if (!readBytes(&text[0], kept)) return false;
  seekFile(_file, int32_t(size_t(length) - kept), 1);  // skip the rest of a long string
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return true;
}
