#include "BitWriter.h"

void BitWriter::moveWholeBytes() {
  while (_pendingBits >= 8) {
    _pendingBits -= 8;
    _bytes.push_back(static_cast<uint8_t>(_pending >> _pendingBits));
  }
  _pending &= (uint64_t{1} << _pendingBits) - 1u;
}

void BitWriter::alignToByte() {
  if (_pendingBits % 8 != 0) {
    write(0, 8 - _pendingBits % 8);
  }
  moveWholeBytes();
}

std::vector<uint8_t> BitWriter::take() {
  alignToByte();
  std::vector<uint8_t> result;
  result.swap(_bytes);
  _pending = 0;
  _pendingBits = 0;
  return result;
}
