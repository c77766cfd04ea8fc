#include "BitWriter.h"

void BitWriter::write(uint32_t value, int count) {
  if (count <= 0) {
    return;
  }
  _pending = (_pending << count) | (value & ((1u << count) - 1u));
  _pendingBits += count;
  while (_pendingBits >= 8) {
    _pendingBits -= 8;
    _bytes.push_back(static_cast<uint8_t>(_pending >> _pendingBits));
  }
  _pending &= (1u << _pendingBits) - 1u;
}

void BitWriter::alignToByte() {
  if (_pendingBits > 0) {
    write(0, 8 - _pendingBits);
  }
}

std::vector<uint8_t> BitWriter::take() {
  alignToByte();
  std::vector<uint8_t> result;
  result.swap(_bytes);
  _pending = 0;
  _pendingBits = 0;
  return result;
}
