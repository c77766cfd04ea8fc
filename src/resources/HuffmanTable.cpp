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

  // A prefix decides a code of length L <= kQuickBits on its own: the limits of such lengths are
  // multiples of 2^(16 - L), so comparing the padded prefix gives the same answer as any value
  // with that prefix.
  for (uint32_t prefix = 0; prefix < (1u << kQuickBits); ++prefix) {
    int length = 0;
    int symbol = decodeSlow(prefix << (16 - kQuickBits), &length);
    _quick[prefix] = length <= kQuickBits ? uint16_t((symbol << 4) | length) : 0;
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
