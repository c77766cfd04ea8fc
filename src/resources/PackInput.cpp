#include "PackInput.h"

#include <cstring>

namespace {
constexpr size_t kStreamBufferSize = 64 * 1024;  // bytes
}

PackInput::~PackInput() {
  if (_file) std::fclose(_file);
}

bool PackInput::openFile(const char* path) {
  if (isOpen() || !path) return false;
  _file = std::fopen(path, "rb");
  if (!_file) return false;
  // Headers of small entries lie close together: a larger buffer serves several of them per read.
  std::setvbuf(_file, nullptr, _IOFBF, kStreamBufferSize);
  if (fseeko(_file, 0, SEEK_END) != 0) return false;
  off_t end = ftello(_file);
  if (end < 0) return false;
  _size = uint64_t(end);
  _position = kUnknownPosition;
  return true;
}

void PackInput::openMemory(const uint8_t* bytes, size_t size) {
  _memory = bytes;
  _memoryOpen = true;
  _size = bytes ? size : 0;
  _position = 0;
}

bool PackInput::seek(uint64_t offset) {
  if (!isOpen() || offset > _size) return false;
  if (offset == _position) return true;
  if (_file && fseeko(_file, off_t(offset), SEEK_SET) != 0) {
    _position = kUnknownPosition;
    return false;
  }
  _position = offset;
  return true;
}

size_t PackInput::read(uint8_t* destination, size_t size) {
  if (_position == kUnknownPosition || _position >= _size || size == 0) return 0;
  if (size > _size - _position) size = size_t(_size - _position);
  size_t got = size;
  if (_file) {
    got = std::fread(destination, 1, size, _file);
  } else {
    std::memcpy(destination, _memory + _position, size);
  }
  _position = got == size ? _position + got : kUnknownPosition;
  return got;
}

bool PackInput::readAt(uint64_t offset, uint8_t* destination, size_t size) {
  if (offset > _size || size > _size - offset) return false;
  if (!seek(offset)) return false;
  return read(destination, size) == size;
}
