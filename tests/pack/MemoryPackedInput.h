#pragma once
// Test helper: packed bytes held in memory, served to the decoder through a PackInput and a
// PackedDataSource, optionally decrypted.
#include <cstdint>
#include <vector>

#include "PackInput.h"
#include "PackedDataSource.h"

class MemoryPackedInput {
 public:
  explicit MemoryPackedInput(std::vector<uint8_t> bytes, Rar20Cipher* cipher = nullptr)
      : _bytes(std::move(bytes)), _source(&_input, uint32_t(_bytes.size()), cipher) {
    _input.openMemory(_bytes.data(), _bytes.size());
  }
  MemoryPackedInput(const MemoryPackedInput&) = delete;
  MemoryPackedInput& operator=(const MemoryPackedInput&) = delete;

  PackedDataSource* source() { return &_source; }

 private:
  std::vector<uint8_t> _bytes;
  PackInput _input;
  PackedDataSource _source;
};
