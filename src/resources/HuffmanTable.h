#pragma once
// A canonical prefix-code table of the RAR 2.0 method, built from per-symbol code lengths.
// Codes are read most significant bit first; longer codes never exceed 15 bits.
#include <cstdint>

#include "Rar20BitInput.h"

class HuffmanTable {
 public:
  static constexpr int kMaxSymbols = 298;  // the largest table (main symbols)
  static constexpr int kMaxLength = 15;    // bits

  // An empty table of no symbols; decode returns 0 until build is called.
  HuffmanTable();

  // Builds the table for symbolCount symbols (1..kMaxSymbols, clamped) from lengths[0..symbolCount);
  // only the low 4 bits of each length count and 0 means the symbol is absent. Any set of lengths,
  // including over- or under-subscribed ones from corrupt data, gives a table that decodes without
  // fault.
  void build(const uint8_t* lengths, int symbolCount);

  // Decodes one symbol from the next bits of input and advances past its code. The result is
  // always below the symbol count: a code that lands outside the listed symbols yields the first
  // listed one (0 when the table lists none).
  int decode(Rar20BitInput& input) const {
    int length = 0;
    const int symbol = decodeBits(input.peek16(), &length);
    input.advance(length);
    return symbol;
  }
  // The same from 16 peeked bits, for loops that keep their own bit position: returns the symbol
  // and sets *length to its code length in bits.
  int decodeBits(uint32_t bits, int* length) const {
    // Inline: called once or twice per decoded symbol.
    const uint16_t quick = _quick[bits >> (16 - kQuickBits)];
    if (quick != 0) {
      *length = quick & 0x0F;
      return quick >> 4;
    }
    return decodeSlow(bits, length);
  }

 private:
  static constexpr int kQuickBits = 10;  // codes up to this long are found by one lookup

  // Decodes from 16 peeked bits; sets *length to the code length in bits.
  int decodeSlow(uint32_t bits, int* length) const;

  int _symbolCount = 0;
  uint32_t _limit[kMaxLength + 1];       // limit[L]: first 16-bit left-aligned code beyond length L
  uint32_t _firstIndex[kMaxLength + 1];  // position in _symbols of the first code of length L
  uint16_t _symbols[kMaxSymbols];        // symbols ordered by code length, then by symbol value
  // For each kQuickBits-bit prefix: code length in the low 4 bits (0: longer than kQuickBits),
  // symbol above them.
  uint16_t _quick[1u << kQuickBits];
};
