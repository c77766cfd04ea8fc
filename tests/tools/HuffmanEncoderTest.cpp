// HuffmanEncoder: the codes must be what a RAR 2.0 decoder rebuilds from the lengths alone.
#include "HuffmanEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BitWriter.h"

namespace {

// The decoder's view of a table, built from lengths as the format defines it: per length L a
// limit (left-aligned 16-bit) and a first position; symbols listed by length, then number.
class ReferenceDecoder {
 public:
  explicit ReferenceDecoder(const std::vector<uint8_t>& lengths) {
    int count[16] = {};
    for (uint8_t l : lengths) {
      ++count[l & 15];
    }
    count[0] = 0;
    uint32_t n = 0;
    _position[0] = 0;
    _limit[0] = 0;
    for (int l = 1; l < 16; ++l) {
      n = 2 * (n + static_cast<uint32_t>(count[l]));
      uint32_t limit = n << (15 - l);
      _limit[l] = limit > 0xffff ? 0xffff : limit;
      _position[l] = _position[l - 1] + static_cast<uint32_t>(count[l - 1]);
    }
    for (int l = 1; l < 16; ++l) {
      for (size_t s = 0; s < lengths.size(); ++s) {
        if ((lengths[s] & 15) == l) {
          _symbols.push_back(static_cast<int>(s));
        }
      }
    }
  }
  // Decodes from the next 16 bits (left-aligned); returns the symbol and its length in bits.
  int decode(uint32_t bits16, int& length) const {
    uint32_t value = bits16 & 0xfffe;
    int l = 1;
    while (l < 15 && value >= _limit[l]) {
      ++l;
    }
    length = l;
    uint32_t index = _position[l] + ((value - _limit[l - 1]) >> (16 - l));
    return index < _symbols.size() ? _symbols[index] : (_symbols.empty() ? -1 : _symbols[0]);
  }

 private:
  uint32_t _limit[16];
  uint32_t _position[16];
  std::vector<int> _symbols;
};

struct FrequencyCase {
  const char* name;
  std::vector<uint32_t> frequencies;
  int maxLength;
};

std::vector<uint32_t> fibonacci(int n) {
  std::vector<uint32_t> f(static_cast<size_t>(n));
  uint32_t a = 1;
  uint32_t b = 1;
  for (int i = 0; i < n; ++i) {
    f[static_cast<size_t>(i)] = a;
    uint32_t c = a + b;
    a = b;
    b = c;
  }
  return f;
}

std::vector<uint32_t> sparse(size_t size, std::vector<std::pair<size_t, uint32_t>> used) {
  std::vector<uint32_t> f(size, 0);
  for (auto [s, n] : used) {
    f[s] = n;
  }
  return f;
}

class HuffmanCodes : public ::testing::TestWithParam<FrequencyCase> {};

TEST_P(HuffmanCodes, FormACompleteCodeTheDecoderReadsBack) {
  const FrequencyCase& c = GetParam();
  HuffmanEncoder table;
  table.build(c.frequencies, c.maxLength);
  ASSERT_EQ(table.symbolCount(), static_cast<int>(c.frequencies.size()));

  // Every used symbol has a code no longer than the limit; the code space is exactly full.
  double kraft = 0;
  int coded = 0;
  for (int s = 0; s < table.symbolCount(); ++s) {
    int l = table.length(s);
    EXPECT_LE(l, c.maxLength) << "symbol " << s;
    if (c.frequencies[static_cast<size_t>(s)] > 0) {
      EXPECT_GT(l, 0) << "used symbol " << s << " has no code";
    }
    if (l > 0) {
      kraft += 1.0 / static_cast<double>(1u << l);
      ++coded;
    }
  }
  EXPECT_GE(coded, 2);
  EXPECT_DOUBLE_EQ(kraft, 1.0);

  // Each code, written by the encoder, decodes to its symbol with the decoder's construction.
  ReferenceDecoder decoder(table.lengths());
  for (int s = 0; s < table.symbolCount(); ++s) {
    if (table.length(s) == 0) {
      continue;
    }
    BitWriter out;
    table.write(out, s);
    out.write(0x5555, 16);  // whatever follows must not matter
    std::vector<uint8_t> bytes = out.take();
    uint32_t bits16 = static_cast<uint32_t>(bytes[0]) << 8 | bytes[1];
    int length = 0;
    EXPECT_EQ(decoder.decode(bits16, length), s);
    EXPECT_EQ(length, table.length(s));
  }
}

const FrequencyCase kCases[] = {
    {"Uniform298", std::vector<uint32_t>(298, 7), 15},
    {"Fibonacci40ForcesTheLimit", fibonacci(40), 15},
    {"Fibonacci19PreTable", fibonacci(19), 15},
    {"LimitSeven", fibonacci(30), 7},
    {"OneSymbolUsed", sparse(298, {{269, 1}}), 15},
    {"NothingUsed", std::vector<uint32_t>(48, 0), 15},
    {"TwoSymbolsFarApart", sparse(257, {{0, 1000}, {256, 1}}), 15},
    {"Skewed", sparse(28, {{0, 100000}, {1, 1}, {2, 1}, {27, 3}}), 15},
};

INSTANTIATE_TEST_SUITE_P(Frequencies, HuffmanCodes, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FrequencyCase>& info) { return std::string(info.param.name); });

TEST(HuffmanEncoder, GivesTheOptimalLengthsOfASmallExample) {
  HuffmanEncoder table;
  table.build({1, 1, 2, 4, 0});
  EXPECT_EQ(table.lengths(), (std::vector<uint8_t>{3, 3, 2, 1, 0}));
}

TEST(BitWriter, WritesMostSignificantBitFirstAndPadsWithZeros) {
  BitWriter out;
  out.write(0b101, 3);
  out.write(0xabcd, 16);
  out.write(1, 1);
  EXPECT_EQ(out.bitCount(), 20u);
  out.write(0, 0);
  EXPECT_EQ(out.take(), (std::vector<uint8_t>{0xb5, 0x79, 0xb0}));
  EXPECT_EQ(out.bitCount(), 0u);
  out.write(0xffffff, 24);
  EXPECT_EQ(out.take(), (std::vector<uint8_t>{0xff, 0xff, 0xff}));
}

}  // namespace
