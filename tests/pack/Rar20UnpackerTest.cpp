#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "MemoryPackedInput.h"
#include "Rar20Unpacker.h"
#include "TestStreamWriter.h"

namespace {
constexpr int kMain = 298;

std::vector<uint8_t> mainPart(const std::vector<uint8_t>& lengths) {
  return std::vector<uint8_t>(lengths.begin(), lengths.begin() + kMain);
}

// Decodes packed into an output buffer of exactly unpackedSize bytes on the C heap, so AddressSanitizer
// sees any write beyond it.
struct Decoded {
  uint32_t produced;
  std::string text;
};
Decoded unpack(Rar20Unpacker& unpacker, const std::vector<uint8_t>& packed, uint32_t unpackedSize,
               bool continueSolid = false) {
  MemoryPackedInput memory(packed);
  uint8_t* output = static_cast<uint8_t*>(std::malloc(unpackedSize ? unpackedSize : 1));
  Decoded d;
  d.produced = unpacker.unpack(memory.source(), unpackedSize, continueSolid, output);
  d.text.assign(reinterpret_cast<const char*>(output), d.produced);
  std::free(output);
  return d;
}

std::unique_ptr<Rar20Unpacker> makeUnpacker() {
  auto unpacker = std::make_unique<Rar20Unpacker>();
  EXPECT_TRUE(unpacker->allocate());
  return unpacker;
}

TEST(Rar20Unpacker, RepeatBeforeAnyLengthIsTakenAsZero) {
  TestStreamWriter writer;
  writer.writeLzTableHeader();
  writer.writePreSymbol(16);  // repeat the previous length (there is none) 3 times
  writer.writeBits(0, 2);
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['x'] = lengths['y'] = 1;
  for (int i = 3; i < TestStreamWriter::kLzTableSize; ++i) writer.writePreSymbol(lengths[size_t(i)]);
  for (char c : std::string("xyx")) writer.writeSymbol(mainPart(lengths), c);
  auto unpacker = makeUnpacker();
  EXPECT_EQ("xyx", unpack(*unpacker, writer.bytes(), 3).text);
}

TEST(Rar20Unpacker, DistanceBeyondWhatWasWrittenCopiesZeros) {
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['A'] = lengths[261] = 1;  // symbol 261: short match of length 2, distance 1 + 2 bits
  TestStreamWriter writer;
  writer.writeLzTables(lengths);
  writer.writeSymbol(mainPart(lengths), 261);
  writer.writeBits(3, 2);  // distance 4, with nothing written yet
  writer.writeSymbol(mainPart(lengths), 'A');
  auto unpacker = makeUnpacker();
  EXPECT_EQ(std::string("\0\0A", 3), unpack(*unpacker, writer.bytes(), 3).text);
}

TEST(Rar20Unpacker, MatchPassingTheUnpackedSizeWritesNothingBeyondIt) {
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['a'] = 1;
  lengths[297] = 1;  // longest length class: 224 + 3 + 5 extra bits
  lengths[kMain + 0] = lengths[kMain + 1] = 1;
  TestStreamWriter writer;
  writer.writeLzTables(lengths);
  writer.writeSymbol(mainPart(lengths), 'a');
  writer.writeSymbol(mainPart(lengths), 297);
  writer.writeBits(31, 5);
  writer.writeBits(0, 1);  // distance symbol 0: distance 1
  auto unpacker = makeUnpacker();
  Decoded d = unpack(*unpacker, writer.bytes(8), 10);
  EXPECT_LT(d.produced, 10u);
}

TEST(Rar20Unpacker, RunsOutOfInputWithoutProducingTheClaimedSize) {
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['a'] = lengths[269] = 1;  // '0': 'a', '1': new tables
  TestStreamWriter writer;
  writer.writeLzTables(lengths);
  for (int i = 0; i < 5; ++i) {
    writer.writeSymbol(mainPart(lengths), 269);
    writer.writeLzTables(lengths);
  }
  writer.writeSymbol(mainPart(lengths), 'a');
  auto unpacker = makeUnpacker();
  Decoded d = unpack(*unpacker, writer.bytes(), 1000000);
  EXPECT_LT(d.produced, 1000000u);
  EXPECT_EQ('a', d.text.empty() ? 0 : d.text[0]);
}

TEST(Rar20Unpacker, TablesAtTheEndOfAnEntryServeTheNextSolidEntry) {
  std::vector<uint8_t> first(TestStreamWriter::kLzTableSize, 0), second(TestStreamWriter::kLzTableSize, 0);
  first['a'] = first[269] = 1;
  second['b'] = second['c'] = 1;
  TestStreamWriter one;
  one.writeLzTables(first);
  one.writeSymbol(mainPart(first), 'a');
  one.writeSymbol(mainPart(first), 269);
  one.writeLzTables(second);
  TestStreamWriter two;  // no tables of its own: coded with the tables that ended entry one
  two.writeSymbol(mainPart(second), 'b');
  two.writeSymbol(mainPart(second), 'c');

  auto unpacker = makeUnpacker();
  EXPECT_EQ("a", unpack(*unpacker, one.bytes(), 1).text);
  EXPECT_EQ("bc", unpack(*unpacker, two.bytes(), 2, true).text);
}

TEST(Rar20Unpacker, RememberedDistancesAndRepeatOfTheLastMatch) {
  // "abcd", then a match of 4 at distance 4 (symbol 271: length 4; distance symbol 3: distance 4),
  // then symbol 256 repeats it, then symbol 257 reuses the remembered distance 4 with repeat-length
  // symbol 1 (length 1 + 2 = 3).
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  for (int s : {int('a'), int('b'), int('c'), int('d'), 271, 256, 257}) lengths[size_t(s)] = 3;
  lengths[kMain + 3] = 1;
  lengths[kMain + 4] = 1;
  lengths[kMain + 48 + 1] = 1;
  lengths[kMain + 48 + 2] = 1;
  const std::vector<uint8_t> distance(lengths.begin() + kMain, lengths.begin() + kMain + 48);
  const std::vector<uint8_t> repeat(lengths.begin() + kMain + 48, lengths.end());
  TestStreamWriter writer;
  writer.writeLzTables(lengths);
  for (char c : std::string("abcd")) writer.writeSymbol(mainPart(lengths), c);
  writer.writeSymbol(mainPart(lengths), 271);
  writer.writeSymbol(distance, 3);
  writer.writeSymbol(mainPart(lengths), 256);
  writer.writeSymbol(mainPart(lengths), 257);
  writer.writeSymbol(repeat, 1);
  auto unpacker = makeUnpacker();
  EXPECT_EQ("abcdabcdabcdabc", unpack(*unpacker, writer.bytes(), 15).text);
}

// A remembered distance read before any match was made is 0: each of its bytes is copied onto
// itself (the zeros of a fresh window), by both decoding loops.
TEST(Rar20Unpacker, RememberedDistanceZeroCopiesTheWindowOntoItself) {
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['q'] = lengths[257] = 1;
  lengths[kMain + 48 + 20] = lengths[kMain + 48 + 21] = 1;  // repeat lengths 64 + 2 and 80 + 2 bits
  const std::vector<uint8_t> repeat(lengths.begin() + kMain + 48, lengths.end());
  TestStreamWriter writer;
  writer.writeLzTables(lengths);
  writer.writeSymbol(mainPart(lengths), 'q');
  writer.writeSymbol(mainPart(lengths), 257);
  writer.writeSymbol(repeat, 20);
  writer.writeBits(0, 4);  // length 64 + 2
  writer.writeSymbol(mainPart(lengths), 'q');
  const std::string expected = "q" + std::string(66, '\0') + "q";
  for (bool fast : {true, false}) {
    auto unpacker = makeUnpacker();
    unpacker->setFastPath(fast);
    EXPECT_EQ(expected, unpack(*unpacker, writer.bytes(), uint32_t(expected.size())).text) << fast;
  }
}

// A distance longer than what was written wraps the source to just ahead of the write position,
// where source and destination overlap the other way round (caught by AddressSanitizer if copied
// as one block).
TEST(Rar20Unpacker, DistanceWrappingToJustAheadOfTheWritePosition) {
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['a'] = lengths[275] = 1;  // symbol 275: length 5 + 3, +2 for a distance of at least 0x40000
  lengths[kMain + 47] = lengths[kMain + 46] = 1;
  const std::vector<uint8_t> distance(lengths.begin() + kMain, lengths.begin() + kMain + 48);
  TestStreamWriter writer;
  writer.writeLzTables(lengths);
  writer.writeSymbol(mainPart(lengths), 'a');
  writer.writeSymbol(mainPart(lengths), 275);
  writer.writeSymbol(distance, 47);
  writer.writeBits(65531, 16);  // distance 983041 + 65531 = 0xFFFFC: source 1 - 0xFFFFC = 5 (wrapped)
  auto unpacker = makeUnpacker();
  EXPECT_EQ(std::string("a") + std::string(10, '\0'), unpack(*unpacker, writer.bytes(4), 11).text);
}

// A new match (symbol 270, length 3) and a match reusing its distance (symbol 257, repeat-length
// symbol 0: length 2) both grow with the distance. The padding after the stream decodes as 'Z', so
// lengths that come out short show up as a 'Z' in the output, long ones as a short output.
struct DistanceCase {
  int distanceSymbol;
  uint32_t extraBits;
  uint32_t distance;
  uint32_t newMatchLength;
  uint32_t reusedMatchLength;
};
class MatchLengths : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(MatchLengths, GrowWithTheDistance) {
  static const uint8_t kDistanceBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                            7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                            15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
  const DistanceCase& c = GetParam();
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['Z'] = 2;
  for (int symbol : {int('a'), 256, 257, 270}) lengths[size_t(symbol)] = 3;
  lengths[size_t(kMain + c.distanceSymbol)] = 1;
  lengths[size_t(kMain + (c.distanceSymbol ^ 1))] = 1;
  lengths[kMain + 48 + 0] = lengths[kMain + 48 + 1] = 1;
  const std::vector<uint8_t> distance(lengths.begin() + kMain, lengths.begin() + kMain + 48);
  const std::vector<uint8_t> repeat(lengths.begin() + kMain + 48, lengths.end());

  TestStreamWriter writer;
  writer.writeLzTables(lengths);
  writer.writeSymbol(mainPart(lengths), 'a');
  writer.writeSymbol(mainPart(lengths), 270);
  writer.writeSymbol(distance, c.distanceSymbol);
  writer.writeBits(c.extraBits, kDistanceBits[c.distanceSymbol]);
  writer.writeSymbol(mainPart(lengths), 257);
  writer.writeSymbol(repeat, 0);

  const uint32_t total = 1 + c.newMatchLength + c.reusedMatchLength;
  auto unpacker = makeUnpacker();
  Decoded d = unpack(*unpacker, writer.bytes(4), total);
  // Both matches copy from before the start of the window: zeros.
  EXPECT_EQ(std::string("a") + std::string(total - 1, '\0'), d.text) << "distance " << c.distance;
}

INSTANTIATE_TEST_SUITE_P(Distances, MatchLengths,
                         ::testing::Values(DistanceCase{15, 63, 256, 3, 2}, DistanceCase{16, 0, 257, 3, 3},
                                           DistanceCase{25, 2046, 8191, 3, 3}, DistanceCase{25, 2047, 8192, 4, 4},
                                           DistanceCase{35, 65534, 0x3FFFF, 4, 4},
                                           DistanceCase{35, 65535, 0x40000, 5, 5}));

// Random bytes as packed data, fresh and as solid continuations, into buffers of exactly the claimed
// size: decoding ends, produces at most that size, and (under AddressSanitizer) stays inside every
// buffer.
TEST(Rar20Unpacker, RandomPackedDataNeverOverrunsOrHangs) {
  std::mt19937 random(20261207);
  auto unpacker = makeUnpacker();
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> packed(1 + random() % 3000);
    for (auto& b : packed) b = uint8_t(random());
    const uint32_t size = random() % 200000;
    Decoded d = unpack(*unpacker, packed, size, round % 3 == 2);
    ASSERT_LE(d.produced, size);
  }
}

// The tight loop for LZ symbols against the general one on random packed data (tables of every
// shape, matches at random distances, refills, flushes, early ends), fresh and continued solid.
TEST(Rar20Unpacker, FastPathDecodesAsTheGeneralLoopOnRandomData) {
  std::mt19937 random(7122026);
  auto fast = makeUnpacker();
  auto general = makeUnpacker();
  general->setFastPath(false);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> packed(1 + random() % 40000);
    for (auto& b : packed) b = uint8_t(random());
    // Tables with few long codes first, so that most rounds decode long stretches.
    packed[0] &= 0x3F;
    const uint32_t size = random() % 400000;
    const bool solid = round % 4 == 3;
    Decoded a = unpack(*fast, packed, size, solid);
    Decoded b = unpack(*general, packed, size, solid);
    ASSERT_EQ(a.produced, b.produced) << "round " << round;
    ASSERT_TRUE(a.text == b.text) << "round " << round;
  }
}
}  // namespace
