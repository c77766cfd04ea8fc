#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "HuffmanTable.h"
#include "MemoryPackedInput.h"
#include "Rar20BitInput.h"
#include "TestStreamWriter.h"

namespace {
// Lengths of a complete prefix code: leaves of a random binary tree no deeper than 15, spread
// over random symbols (the rest absent).
std::vector<uint8_t> randomCompleteLengths(int symbolCount, int usedSymbols, std::mt19937& random) {
  std::vector<int> leaves = {0};
  while (int(leaves.size()) < usedSymbols) {
    size_t pick = random() % leaves.size();
    if (leaves[pick] >= 15) continue;
    int depth = ++leaves[pick];
    leaves.push_back(depth);
  }
  std::vector<int> symbols(static_cast<size_t>(symbolCount));
  for (int i = 0; i < symbolCount; ++i) symbols[size_t(i)] = i;
  std::shuffle(symbols.begin(), symbols.end(), random);
  std::vector<uint8_t> lengths(size_t(symbolCount), 0);
  for (size_t i = 0; i < leaves.size(); ++i) lengths[size_t(symbols[i])] = uint8_t(leaves[i]);
  return lengths;
}

struct TableCase {
  int symbolCount;
  int usedSymbols;
  uint32_t seed;
};
class HuffmanRoundTrip : public ::testing::TestWithParam<TableCase> {};

TEST_P(HuffmanRoundTrip, DecodesWhatTheCanonicalCodeEncodes) {
  const TableCase& c = GetParam();
  std::mt19937 random(c.seed);
  const std::vector<uint8_t> lengths = randomCompleteLengths(c.symbolCount, c.usedSymbols, random);
  std::vector<int> used;
  for (int s = 0; s < c.symbolCount; ++s) {
    if (lengths[size_t(s)] != 0) used.push_back(s);
  }
  std::vector<int> message(4000);
  for (int& s : message) s = used[random() % used.size()];

  TestStreamWriter writer;
  for (int s : message) writer.writeSymbol(lengths, s);
  HuffmanTable table;
  table.build(lengths.data(), c.symbolCount);
  MemoryPackedInput memory(writer.bytes(4));
  auto input = std::make_unique<Rar20BitInput>();
  input->start(memory.source());
  for (size_t i = 0; i < message.size(); ++i) {
    input->refillIfPast(Rar20BitInput::kRefillBeforeSymbol);
    ASSERT_EQ(message[i], table.decode(*input)) << "symbol " << i;
  }
}

// Table sizes of the format (pre-table, repeat-length, distance, audio, main); few used symbols give
// short codes, many used symbols in a deep tree give codes up to 15 bits (beyond the quick lookup).
INSTANTIATE_TEST_SUITE_P(Tables, HuffmanRoundTrip,
                         ::testing::Values(TableCase{19, 2, 1}, TableCase{19, 19, 2}, TableCase{28, 28, 3},
                                           TableCase{48, 40, 4}, TableCase{257, 257, 5}, TableCase{298, 298, 6},
                                           TableCase{298, 150, 7}, TableCase{298, 298, 8}));

TEST(HuffmanTable, SingleUsedSymbolDecodesFromEitherBit) {
  std::vector<uint8_t> lengths(28, 0);
  lengths[5] = 1;
  HuffmanTable table;
  table.build(lengths.data(), 28);
  MemoryPackedInput memory({0x40, 0, 0});  // bits 0, 1, then zeros
  Rar20BitInput input;
  input.start(memory.source());
  EXPECT_EQ(5, table.decode(input));
  EXPECT_EQ(0, table.decode(input));  // the missing code '1' lands outside the list: first listed
}

TEST(HuffmanTable, CorruptLengthsStillDecodeSymbolsInRange) {
  std::mt19937 random(42);
  for (int round = 0; round < 200; ++round) {
    const int count = 1 + int(random() % HuffmanTable::kMaxSymbols);
    std::vector<uint8_t> lengths(static_cast<size_t>(count));
    for (auto& l : lengths) l = uint8_t(random());  // high bits set too: only the low 4 count
    HuffmanTable table;
    table.build(lengths.data(), count);
    std::vector<uint8_t> bits(64);
    for (auto& b : bits) b = uint8_t(random());
    MemoryPackedInput memory(bits);
    Rar20BitInput input;
    input.start(memory.source());
    for (int i = 0; i < 20; ++i) {
      int symbol = table.decode(input);
      ASSERT_GE(symbol, 0);
      ASSERT_LT(symbol, count);
    }
  }
}
}  // namespace
