#include "TestStreamWriter.h"

namespace {
// Pre-table used by writeLzTables: lengths of pre-symbols 0..18.
const std::vector<uint8_t> kPreLengths = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 2, 3, 3};
}  // namespace

void TestStreamWriter::writeBits(uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    if (_bitCount == 0) _bytes.push_back(0);
    if ((value >> i) & 1) _bytes.back() |= uint8_t(0x80 >> _bitCount);
    _bitCount = (_bitCount + 1) & 7;
  }
}

void TestStreamWriter::writeLzTableHeader() {
  writeBits(0, 2);  // not audio, previous lengths not kept
  for (uint8_t length : kPreLengths) writeBits(length, 4);
}

void TestStreamWriter::writePreSymbol(int symbol) { writeSymbol(kPreLengths, symbol); }

void TestStreamWriter::writeLzTables(const std::vector<uint8_t>& lengths) {
  writeLzTableHeader();
  for (int i = 0; i < kLzTableSize; ++i) writePreSymbol(i < int(lengths.size()) ? lengths[i] : 0);
}

void TestStreamWriter::writeSymbol(const std::vector<uint8_t>& lengths, int symbol) {
  Code code = canonicalCodes(lengths)[size_t(symbol)];
  writeBits(code.value, code.length);
}

std::vector<uint8_t> TestStreamWriter::bytes(size_t padding) const {
  std::vector<uint8_t> out = _bytes;
  out.resize(out.size() + padding, 0);
  return out;
}

std::vector<TestStreamWriter::Code> TestStreamWriter::canonicalCodes(const std::vector<uint8_t>& lengths) {
  std::vector<Code> codes(lengths.size(), Code{0, 0});
  uint32_t next = 0;
  for (int length = 1; length <= 15; ++length) {
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
      if (lengths[symbol] == length) codes[symbol] = Code{next++, length};
    }
    next <<= 1;
  }
  return codes;
}
