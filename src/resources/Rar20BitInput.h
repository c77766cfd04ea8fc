#pragma once
// The decoder's bit input: an 8192-byte buffer of packed bytes read most significant bit first,
// refilled in 8160-byte portions that keep the last 32 bytes, as the RAR 2.0 method expects.
#include <cstdint>

class PackedDataSource;

class Rar20BitInput {
 public:
  static constexpr int kBufferSize = 8192;  // bytes
  static constexpr int kKeepSize = 32;      // bytes carried to the front on a refill

  // Positions at which a refill is due (the byte position has passed the value).
  static constexpr int kRefillBeforeSymbol = 8162;
  static constexpr int kRefillBeforeTables = 8167;
  static constexpr int kRefillInsideTables = 8187;

  Rar20BitInput();

  // Starts a new entry: fills the whole buffer from source (kept by pointer until the next start).
  void start(PackedDataSource* source);
  // Refills when the byte position has passed threshold.
  void refillIfPast(int threshold) {
    if (_bytePos > threshold) refill();
  }

  // The next 16 bits, most significant first, without consuming them. Bytes beyond the data read
  // so far are whatever the buffer holds (never outside it).
  uint32_t peek16() const {
    uint32_t bits =
        (uint32_t(_buffer[_bytePos]) << 16) | (uint32_t(_buffer[_bytePos + 1]) << 8) | uint32_t(_buffer[_bytePos + 2]);
    return (bits >> (8 - _bitPos)) & 0xFFFF;
  }
  void advance(int bits) {
    bits += _bitPos;
    _bytePos += bits >> 3;
    _bitPos = bits & 7;
  }
  // Reads count bits (0..16) as an unsigned number.
  uint32_t readBits(int count) {
    uint32_t value = peek16() >> (16 - count);
    advance(count);
    return value;
  }

  // Packed bytes not yet consumed: those read into the buffer plus those the source still holds
  // (0 once reading has gone past the end).
  int64_t bytesLeft() const;
  // True once the bits consumed reach beyond the packed bytes that exist: the decoder has run out
  // of input (truncated or corrupt data).
  bool exhausted() const { return (_bufferOffset + _bytePos) * 8 + _bitPos > _totalRead * 8; }

 private:
  void refill();

  PackedDataSource* _source = nullptr;
  int _bytePos = 0;           // index into _buffer, below kBufferSize by the refill rules
  int _bitPos = 0;            // 0..7, bits of _buffer[_bytePos] already consumed
  int64_t _bufferOffset = 0;  // input offset of _buffer[0]
  int64_t _totalRead = 0;     // packed bytes read from the source for this entry
  // Slack behind the buffer: peeking three bytes from the furthest position reachable between
  // refill checks stays inside the array.
  uint8_t _buffer[kBufferSize + 64];
};
