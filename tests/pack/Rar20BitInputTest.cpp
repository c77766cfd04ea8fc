#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "MemoryPackedInput.h"
#include "Rar20BitInput.h"
#include "Rar20Cipher.h"

namespace {
std::vector<uint8_t> randomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = uint8_t(random());
  return bytes;
}

struct SizeCase {
  size_t size;
};
class BitInputAcrossRefills : public ::testing::TestWithParam<SizeCase> {};

// Sizes around the first buffer (8192) and later portions (8160 each).
TEST_P(BitInputAcrossRefills, ReturnsEveryByteInOrderThenRunsOut) {
  const std::vector<uint8_t> data = randomBytes(GetParam().size, 3);
  MemoryPackedInput memory(data);
  auto input = std::make_unique<Rar20BitInput>();
  input->start(memory.source());
  EXPECT_EQ(int64_t(data.size()), input->bytesLeft());
  for (size_t i = 0; i < data.size(); ++i) {
    input->refillIfPast(Rar20BitInput::kRefillBeforeSymbol);
    // Odd widths: a 3-bit and a 5-bit read make up each byte.
    uint32_t high = input->readBits(3);
    uint32_t low = input->readBits(5);
    ASSERT_EQ(data[i], (high << 5) | low) << "byte " << i;
    ASSERT_FALSE(input->exhausted());
  }
  EXPECT_EQ(0, input->bytesLeft());
  input->refillIfPast(Rar20BitInput::kRefillBeforeSymbol);
  input->advance(1);
  EXPECT_TRUE(input->exhausted());
}

INSTANTIATE_TEST_SUITE_P(Sizes, BitInputAcrossRefills,
                         ::testing::Values(SizeCase{0}, SizeCase{1}, SizeCase{8191}, SizeCase{8192}, SizeCase{8193},
                                           SizeCase{8192 + 8160}, SizeCase{8192 + 8161}, SizeCase{40000}));

TEST(Rar20BitInput, PeekSpansThreeBytesAtEveryBitOffset) {
  MemoryPackedInput memory({0xA5, 0x3C, 0xF0, 0x0F});
  Rar20BitInput input;
  input.start(memory.source());
  const uint32_t all = 0xA53CF00F;
  for (int bit = 0; bit < 8; ++bit) {
    EXPECT_EQ((all >> (16 - bit)) & 0xFFFF, input.peek16()) << "bit " << bit;
    input.advance(1);
  }
}

TEST(PackedDataSource, DecryptsPortionsAsOneChainedStream) {
  const std::vector<uint8_t> plain = randomBytes(3 * 8192, 9);
  std::vector<uint8_t> encrypted = plain;
  Rar20Cipher encoder;
  encoder.setPassword("falco31");
  encoder.encrypt(encrypted.data(), encrypted.size());

  Rar20Cipher decoder;
  decoder.setPassword("falco31");
  MemoryPackedInput memory(encrypted, &decoder);
  auto input = std::make_unique<Rar20BitInput>();
  input->start(memory.source());
  for (size_t i = 0; i < plain.size(); ++i) {
    input->refillIfPast(Rar20BitInput::kRefillBeforeSymbol);
    ASSERT_EQ(plain[i], input->readBits(8)) << "byte " << i;
  }
}

TEST(PackedDataSource, NeverReadsBeyondThePackedSize) {
  std::vector<uint8_t> file = randomBytes(100, 4);
  PackInput input;
  input.openMemory(file.data(), file.size());
  PackedDataSource source(&input, 40, nullptr);
  uint8_t buffer[100];
  EXPECT_EQ(40, source.read(buffer, 100));
  EXPECT_EQ(0, source.read(buffer, 100));
  EXPECT_EQ(0u, source.remaining());
}
}  // namespace
