#include "HuffmanTable.h"

#include <cstring>

HuffmanTable::HuffmanTable() {
  std::memset(_limit, 0, sizeof(_limit));
  std::memset(_firstIndex, 0, sizeof(_firstIndex));
  std::memset(_symbols, 0, sizeof(_symbols));
  std::memset(_quick, 0, sizeof(_quick));
}

void HuffmanTable::build(const uint8_t* lengths, int symbolCount) {
  if (symbolCount < 1) symbolCount = 1;
  if (symbolCount > kMaxSymbols) symbolCount = kMaxSymbols;
  _symbolCount = symbolCount;

  uint32_t count[kMaxLength + 1] = {};
  for (int i = 0; i < symbolCount; ++i) ++count[lengths[i] & 0x0F];

  // Limits: left-aligned 16-bit end of each length's codes, capped at 0xFFFF so that corrupt,
  // over-subscribed lengths still give an increasing series.
  count[0] = 0;
  _limit[0] = 0;
  _firstIndex[0] = 0;
  uint64_t next = 0;  // at most 2^15 * 600 for 298 symbols: no overflow
  for (int length = 1; length <= kMaxLength; ++length) {
    next = 2 * (next + count[length]);
    uint64_t limit = next << (kMaxLength - length);
    _limit[length] = limit > 0xFFFF ? 0xFFFF : uint32_t(limit);
    _firstIndex[length] = _firstIndex[length - 1] + count[length - 1];
  }

  // Unlisted positions hold symbol 0, so a corrupt code decodes to a defined symbol.
  std::memset(_symbols, 0, sizeof(_symbols));
  uint32_t position[kMaxLength + 1];
  std::memcpy(position, _firstIndex, sizeof(position));
  for (int symbol = 0; symbol < symbolCount; ++symbol) {
    int length = lengths[symbol] & 0x0F;
    if (length != 0) _symbols[position[length]++] = uint16_t(symbol);
  }

  // Codes of length L <= kQuickBits fill the 2^(kQuickBits - L) prefixes that start with them,
  // in canonical order; prefixes left at 0 hold longer codes (or none, when the lengths are
  // under-subscribed). Over-subscribed codes past the last prefix are never decodable and are
  // dropped.
  std::memset(_quick, 0, sizeof(_quick));
  uint32_t code = 0;  // next prefix, left-aligned to kQuickBits
  for (int length = 1; length <= kQuickBits; ++length) {
    const uint32_t span = 1u << (kQuickBits - length);
    for (uint32_t i = 0; i < count[length]; ++i) {
      if (code >= (1u << kQuickBits)) break;
      const uint32_t index = _firstIndex[length] + i;
      const uint16_t entry = uint16_t((_symbols[index] << 4) | length);
      for (uint32_t k = 0; k < span; ++k) _quick[code + k] = entry;
      code += span;
    }
  }
}

int HuffmanTable::decodeSlow(uint32_t bits, int* length) const {
  bits &= 0xFFFE;
  int l = 1;
  while (l < kMaxLength && _limit[l] <= bits) ++l;
  *length = l;
  uint32_t index = _firstIndex[l] + ((bits - _limit[l - 1]) >> (16 - l));
  if (index >= uint32_t(_symbolCount)) index = 0;
  return _symbols[index];
}
