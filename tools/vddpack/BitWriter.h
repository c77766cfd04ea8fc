#pragma once
// Bit output in the order RAR 2.0 decoders read it: most significant bit first, bytes in order.
#include <cstddef>
#include <cstdint>
#include <vector>

class BitWriter {
 public:
  // Appends the low count bits of value, highest first. count 0 to 24.
  void write(uint32_t value, int count) {
    if (count <= 0) {
      return;
    }
    _pending = (_pending << count) | (value & ((1u << count) - 1u));
    _pendingBits += count;
    if (_pendingBits >= 32) {
      // Four whole bytes at once, highest first.
      _pendingBits -= 32;
      const uint32_t word = static_cast<uint32_t>(_pending >> _pendingBits);
      const uint8_t bytes[4] = {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                                static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
      _bytes.insert(_bytes.end(), bytes, bytes + 4);
      _pending &= (uint64_t{1} << _pendingBits) - 1u;
    }
  }
  // Pads the last partial byte with zero bits.
  void alignToByte();
  size_t bitCount() const { return _bytes.size() * 8 + static_cast<size_t>(_pendingBits); }
  // The bytes written so far, including a zero-padded partial byte; the writer is emptied.
  std::vector<uint8_t> take();

 private:
  // Moves the whole bytes of _pending to _bytes.
  void moveWholeBytes();

  std::vector<uint8_t> _bytes;
  uint64_t _pending = 0;  // bits not yet in _bytes, right-aligned
  int _pendingBits = 0;   // 0 to 31 between calls
};
