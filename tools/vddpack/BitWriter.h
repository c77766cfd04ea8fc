#pragma once
// Bit output in the order RAR 2.0 decoders read it: most significant bit first, bytes in order.
#include <cstddef>
#include <cstdint>
#include <vector>

class BitWriter {
 public:
  // Appends the low count bits of value, highest first. count 0 to 24.
  void write(uint32_t value, int count);
  // Pads the last partial byte with zero bits.
  void alignToByte();
  size_t bitCount() const { return _bytes.size() * 8 + static_cast<size_t>(_pendingBits); }
  // The bytes written so far, including a zero-padded partial byte; the writer is emptied.
  std::vector<uint8_t> take();

 private:
  std::vector<uint8_t> _bytes;
  uint32_t _pending = 0;  // bits not yet in _bytes, right-aligned
  int _pendingBits = 0;   // 0 to 7 between calls
};
