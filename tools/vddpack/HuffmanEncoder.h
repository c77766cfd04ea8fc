#pragma once
// One prefix code table of a RAR 2.0 stream. Codes are canonical the way the decoder builds
// them from lengths alone: ordered by (length, symbol), shorter codes numerically first,
// at most 15 bits long.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "BitWriter.h"

class HuffmanEncoder {
 public:
  static constexpr int kMaxLength = 15;  // longest code a 4-bit length field can describe

  // Lengths from symbol frequencies (one entry per symbol), none longer than maxLength.
  // At least two symbols always get a code, so the table is a complete code that every
  // reader accepts even when fewer symbols are used (unused ones pad it).
  void build(const std::vector<uint32_t>& frequencies, int maxLength = kMaxLength);
  // Takes lengths as they are (0 = symbol absent) and assigns the codes.
  void setLengths(const std::vector<uint8_t>& lengths);

  const std::vector<uint8_t>& lengths() const { return _lengths; }
  int symbolCount() const { return static_cast<int>(_lengths.size()); }
  // Code length of symbol in bits; 0 when it has no code.
  int length(int symbol) const { return _lengths[static_cast<size_t>(symbol)]; }
  uint32_t code(int symbol) const { return _codes[static_cast<size_t>(symbol)]; }
  // Writes the code of symbol, which must have one. Inline: called once or twice per symbol.
  void write(BitWriter& out, int symbol) const {
    out.write(_codes[static_cast<size_t>(symbol)], _lengths[static_cast<size_t>(symbol)]);
  }

 private:
  void assignCodes();

  std::vector<uint8_t> _lengths;
  std::vector<uint32_t> _codes;
};
