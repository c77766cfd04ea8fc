#pragma once
// Test helper: packed bytes held in memory, served to the decoder through a stdio stream
// (fmemopen) and a PackedDataSource, optionally decrypted.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "PackedDataSource.h"

class MemoryPackedInput {
 public:
  explicit MemoryPackedInput(std::vector<uint8_t> bytes, Rar20Cipher* cipher = nullptr)
      : _bytes(std::move(bytes)),
        // fmemopen refuses a size of 0: an empty input is a one-byte buffer of which 0 bytes count.
        _file(fmemopen(_bytes.empty() ? _dummy : _bytes.data(), _bytes.empty() ? 1 : _bytes.size(), "rb")),
        _source(_file, uint32_t(_bytes.size()), cipher) {}
  ~MemoryPackedInput() {
    if (_file) std::fclose(_file);
  }
  MemoryPackedInput(const MemoryPackedInput&) = delete;
  MemoryPackedInput& operator=(const MemoryPackedInput&) = delete;

  PackedDataSource* source() { return &_source; }

 private:
  std::vector<uint8_t> _bytes;
  uint8_t _dummy[1] = {0};
  std::FILE* _file;
  PackedDataSource _source;
};
