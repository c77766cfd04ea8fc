#include <gtest/gtest.h>

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
