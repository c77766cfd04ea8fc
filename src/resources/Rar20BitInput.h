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
  uint32_t peek16() const { return peek16At(_buffer, _bytePos * 8 + _bitPos); }
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

  // Direct access for decoding loops that keep the position in a register: the bit position
  // (bytes * 8 + bits) inside the buffer, the buffer itself, and how many bits may still be consumed
  // before a refill past threshold is due or the bytes read so far run out (whichever is first;
  // 0 when either has been reached).
  uint32_t bitPosition() const { return uint32_t(_bytePos) * 8 + uint32_t(_bitPos); }
  void setBitPosition(uint32_t position) {
    _bytePos = int(position >> 3);
    _bitPos = int(position & 7);
  }
  const uint8_t* buffer() const { return _buffer; }
  int64_t bitsBefore(int threshold) const {
    const int64_t position = int64_t(_bytePos) * 8 + _bitPos;
    const int64_t toRefill = int64_t(threshold) * 8 + 7 - position;
    const int64_t toEnd = (_totalRead - _bufferOffset) * 8 - position;
    const int64_t bits = toRefill < toEnd ? toRefill : toEnd;
    return bits > 0 ? bits : 0;
  }
  // The 16 bits at a bit position of buffer (as peek16 sees them); reads four bytes there (one
  // big-endian load), which the buffer's slack allows for every position below kBufferSize * 8.
  static uint32_t peek16At(const uint8_t* buffer, uint32_t position) {
    const uint8_t* p = buffer + (position >> 3);
    const uint32_t word = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    return (word << (position & 7)) >> 16;
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
