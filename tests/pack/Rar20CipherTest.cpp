#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Rar20Cipher.h"

namespace {
std::vector<uint8_t> patternBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = uint8_t(seed >> 16);
  }
  return bytes;
}

struct PasswordCase {
  std::string password;
};

class CipherRoundTrip : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(CipherRoundTrip, DecryptUndoesEncryptAcrossChainedBlocks) {
  const std::vector<uint8_t> plain = patternBytes(16 * 9, 7);
  std::vector<uint8_t> data = plain;
  Rar20Cipher encoder;
  encoder.setPassword(GetParam().password.c_str());
  encoder.encrypt(data.data(), data.size());
  EXPECT_NE(data, plain);
  Rar20Cipher decoder;
  decoder.setPassword(GetParam().password.c_str());
  decoder.decrypt(data.data(), data.size());
  EXPECT_EQ(data, plain);
}

// Odd lengths exercise the zero byte after the password; 15/16/17 the block edges of the key set-up;
// 255 and 300 the cut to 255 bytes.
INSTANTIATE_TEST_SUITE_P(Passwords, CipherRoundTrip,
                         ::testing::Values(PasswordCase{""}, PasswordCase{"a"}, PasswordCase{"falco31"},
                                           PasswordCase{"password"}, PasswordCase{std::string(15, 'x')},
                                           PasswordCase{std::string(16, 'x')}, PasswordCase{std::string(17, 'x')},
                                           PasswordCase{std::string(255, 'q')}, PasswordCase{std::string(300, 'q')}));

TEST(Rar20Cipher, PasswordsLongerThan255BytesAreCut) {
  std::vector<uint8_t> a = patternBytes(64, 3), b = a;
  Rar20Cipher first, second;
  first.setPassword((std::string(255, 'z') + "tail").c_str());
  second.setPassword(std::string(255, 'z').c_str());
  first.encrypt(a.data(), a.size());
  second.encrypt(b.data(), b.size());
  EXPECT_EQ(a, b);
}

TEST(Rar20Cipher, CopyTakenAfterKeySetUpRestartsTheSchedule) {
  Rar20Cipher keyed;
  keyed.setPassword("falco31");
  Rar20Cipher first = keyed;
  std::vector<uint8_t> a = patternBytes(64, 8), b = a;
  first.encrypt(a.data(), a.size());
  Rar20Cipher second = keyed;  // keyed itself is untouched by the first copy's use
  second.encrypt(b.data(), b.size());
  EXPECT_EQ(a, b);
}

TEST(Rar20Cipher, PartialTrailingBlockIsLeftAlone) {
  std::vector<uint8_t> data = patternBytes(20, 5);
  const std::vector<uint8_t> tail(data.begin() + 16, data.end());
  Rar20Cipher cipher;
  cipher.setPassword("x");
  cipher.encrypt(data.data(), data.size());
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 16, data.end()), tail);
}
}  // namespace

namespace {
// Blocks encrypted by the one-block-at-a-time implementation this cipher started from (pattern
// bytes 48, seed 11): the table and key schedule must keep giving exactly these.
struct KnownAnswer {
  const char* password;
  uint8_t cipher[48];
};
// clang-format off
const KnownAnswer kKnownAnswers[] = {
    {"falco31",
     {0xEC, 0x6A, 0x7E, 0x75, 0x68, 0x7A, 0xC7, 0x6F, 0x3D, 0xA4, 0xE0, 0x5D, 0x02, 0x0F, 0x53, 0xE7,
      0xFE, 0x45, 0xA8, 0xB8, 0x95, 0xBD, 0xA3, 0x47, 0x66, 0xEC, 0x25, 0x36, 0x27, 0x84, 0x4E, 0x5A,
      0x02, 0x72, 0x1A, 0xD4, 0xC0, 0xC1, 0x98, 0xBA, 0x56, 0x8C, 0x57, 0x90, 0x97, 0x13, 0xBB, 0x6F}},
    {"",
     {0x08, 0x02, 0x4A, 0x85, 0x94, 0x15, 0x7B, 0xBA, 0xB1, 0x58, 0x5D, 0xB8, 0x27, 0x31, 0xFB, 0xA0,
      0x2C, 0xD2, 0xAF, 0x6C, 0x73, 0x45, 0x13, 0xE8, 0x65, 0x63, 0x06, 0xCD, 0x02, 0x30, 0xDD, 0x7C,
      0x8E, 0x47, 0xFC, 0x7C, 0xD6, 0x49, 0x36, 0x3D, 0x59, 0xE9, 0xB2, 0xD9, 0x7B, 0xAF, 0x3B, 0x60}},
};
// clang-format on

TEST(Rar20Cipher, KnownBlocksEncryptAndDecrypt) {
  for (const KnownAnswer& k : kKnownAnswers) {
    const std::vector<uint8_t> plain = patternBytes(48, 11);
    const std::vector<uint8_t> expected(k.cipher, k.cipher + 48);
    std::vector<uint8_t> data = plain;
    Rar20Cipher encoder;
    encoder.setPassword(k.password);
    encoder.encrypt(data.data(), data.size());
    EXPECT_EQ(data, expected) << "'" << k.password << "'";
    Rar20Cipher decoder;
    decoder.setPassword(k.password);
    decoder.decrypt(data.data(), data.size());
    EXPECT_EQ(data, plain) << "'" << k.password << "'";
  }
}

// decrypt works on several blocks side by side; it must give the bytes and the key state of
// decryptBlock on each block in turn, for every count of whole blocks and any tail.
struct SpanCase {
  size_t bytes;
  const char* password;
};

class CipherSpans : public ::testing::TestWithParam<SpanCase> {};

TEST_P(CipherSpans, ManyBlocksAtOnceMatchOneBlockAtATime) {
  const SpanCase& c = GetParam();
  const std::vector<uint8_t> random = patternBytes(c.bytes, uint32_t(c.bytes) + 5);
  Rar20Cipher keyed;
  keyed.setPassword(c.password);
  Rar20Cipher wide = keyed;
  Rar20Cipher single = keyed;
  std::vector<uint8_t> a = random, b = random;
  wide.decrypt(a.data(), a.size());
  for (size_t offset = 0; offset + Rar20Cipher::kBlockSize <= b.size(); offset += Rar20Cipher::kBlockSize) {
    single.decryptBlock(b.data() + offset);
  }
  EXPECT_EQ(a, b);
  // The tail of a partial block is untouched.
  const size_t whole = c.bytes / Rar20Cipher::kBlockSize * Rar20Cipher::kBlockSize;
  EXPECT_TRUE(std::equal(a.begin() + long(whole), a.end(), random.begin() + long(whole)));
  // Both continue from the same key words.
  std::vector<uint8_t> nextA = patternBytes(64, 99), nextB = nextA;
  wide.decrypt(nextA.data(), nextA.size());
  single.decrypt(nextB.data(), nextB.size());
  EXPECT_EQ(nextA, nextB);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CipherSpans,
                         ::testing::Values(SpanCase{0, "falco31"}, SpanCase{16, "falco31"}, SpanCase{48, "a"},
                                           SpanCase{64, "falco31"}, SpanCase{80, ""}, SpanCase{16 * 7 + 9, "xyz"},
                                           SpanCase{128, "falco31"}, SpanCase{127, "falco31"},
                                           SpanCase{16 * 9, "falco31"}, SpanCase{16 * 17 + 1, "b"},
                                           SpanCase{16 * 12, "falco31"}, SpanCase{8160, "falco31"},
                                           SpanCase{8192 + 3 * 16 + 15, "a password of more than sixteen bytes"}));

// The vector path (eight blocks per step where the processor has it) against the portable one on
// random blocks under random passwords, in spans that leave every remainder of eight blocks, and
// the key words after each span.
struct PathCase {
  size_t blocks;
  uint32_t seed;
};

class CipherPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(CipherPaths, VectorAndPortableDecryptAgree) {
  const PathCase& c = GetParam();
  const std::vector<uint8_t> passwordBytes = patternBytes(1 + c.seed % 40, c.seed);
  const std::string password(passwordBytes.begin(), passwordBytes.end());
  Rar20Cipher keyed;
  keyed.setPassword(reinterpret_cast<const uint8_t*>(password.data()), password.size());
  Rar20Cipher vector = keyed;
  Rar20Cipher portable = keyed;
  for (uint32_t span = 0; span < 3; ++span) {
    const std::vector<uint8_t> random = patternBytes(c.blocks * Rar20Cipher::kBlockSize + span, c.seed + span);
    std::vector<uint8_t> a = random, b = random;
    vector.decrypt(a.data(), a.size());
    portable.decryptPortable(b.data(), b.size());
    ASSERT_EQ(a, b) << c.blocks << " blocks, span " << span;
    EXPECT_NE(a, random) << c.blocks << " blocks, span " << span;
  }
}

INSTANTIATE_TEST_SUITE_P(Spans, CipherPaths,
                         ::testing::Values(PathCase{1, 1}, PathCase{7, 2}, PathCase{8, 3}, PathCase{9, 4},
                                           PathCase{15, 5}, PathCase{16, 6}, PathCase{17, 7}, PathCase{64, 8},
                                           PathCase{510, 9}, PathCase{513, 10}));
}  // namespace
