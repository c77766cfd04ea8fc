#pragma once
// Test helper: writes RAR 2.0 compressed streams bit by bit (most significant bit first), so tests
// can craft exact and hostile symbol sequences for the decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

class TestStreamWriter {
 public:
  static constexpr int kLzTableSize = 374;  // 298 main + 48 distance + 28 repeat-length

  void writeBits(uint32_t value, int count);
  // A table section for the LZ mode that sets the lengths outright (keep bit clear). Every length
  // is sent as one pre-table symbol; the pre-table gives 16 a 2-bit code, 17 and 18 3-bit codes
  // and 0..15 5-bit codes.
  void writeLzTables(const std::vector<uint8_t>& lengths);
  // Raw access to the same pre-table for hand-made sections: the table header (2 bits) and the
  // pre-table lengths, then pre-symbols.
  void writeLzTableHeader();
  void writePreSymbol(int symbol);
  // The canonical code of symbol in a table of the given lengths (ordered by length, then symbol).
  void writeSymbol(const std::vector<uint8_t>& lengths, int symbol);

  // The bytes written, the last one padded with zero bits, plus padding zero bytes.
  std::vector<uint8_t> bytes(size_t padding = 0) const;

  // Codes of every symbol: value in the low `length` bits; length 0 for absent symbols.
  struct Code {
    uint32_t value;
    int length;
  };
  static std::vector<Code> canonicalCodes(const std::vector<uint8_t>& lengths);

 private:
  std::vector<uint8_t> _bytes;
  int _bitCount = 0;  // bits used in the last byte, 0..7 (0: start a new byte)
};
