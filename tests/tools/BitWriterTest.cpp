// BitWriter: bits in the order the decoder reads them, across the writer's internal word.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "BitWriter.h"

namespace {

struct BitCase {
  std::vector<std::pair<uint32_t, int>> writes;  // value, bit count
  size_t bitCount;
  std::vector<uint8_t> bytes;  // after take(): the last byte padded with zeros
};

class BitWriterCases : public ::testing::TestWithParam<BitCase> {};

TEST_P(BitWriterCases, WritesMostSignificantBitFirst) {
  const BitCase& c = GetParam();
  BitWriter out;
  for (const auto& w : c.writes) {
    out.write(w.first, w.second);
  }
  EXPECT_EQ(out.bitCount(), c.bitCount);
  EXPECT_EQ(out.take(), c.bytes);
  EXPECT_EQ(out.bitCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, BitWriterCases,
    ::testing::Values(BitCase{{}, 0, {}}, BitCase{{{1, 1}}, 1, {0x80}}, BitCase{{{0xFF, 0}}, 0, {}},
                      BitCase{{{0x5, 3}, {0x1F, 5}}, 8, {0xBF}},
                      // Bits above count are ignored.
                      BitCase{{{0xFFFFFF01, 4}}, 4, {0x10}},
                      // 24 + 24 bits cross the 32-bit boundary of the pending word.
                      BitCase{{{0xABCDEF, 24}, {0x123456, 24}}, 48, {0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56}},
                      BitCase{{{0x7, 3}, {0xABCDEF, 24}, {0x3, 7}, {0x1, 1}}, 35, {0xF5, 0x79, 0xBD, 0xE0, 0xE0}}));

}  // namespace
