// Unicode names of RAR 2.x file headers: decoding fields written by other archivers, the
// writer's encoding read back, and broken encodings that must never read outside the field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Rar20NameCodec.h"

namespace {

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string decode(const std::vector<uint8_t>& field) { return Rar20NameCodec::decode(field.data(), field.size()); }

// The name field of the Unicode entry in sharpcompress-rar2-m5-dirs-unicode.rar: "????.txt",
// zero, high byte 0x04, four one-byte characters of that page, then a run copying ".txt".
const std::string kFixtureField("????.txt\0\x04UB5AB\xC0\x02", 17);
const char* const kTest = "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82";  // "тест"

struct DecodeCase {
  const char* name;
  std::string field;
  std::string expected;
};

class NameDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(NameDecoding, GivesUtf8) { EXPECT_EQ(GetParam().expected, decode(bytes(GetParam().field))); }

const DecodeCase kDecodeCases[] = {
    {"FromAnotherArchiver", kFixtureField, std::string(kTest) + ".txt"},
    {"NoZeroByteIsUtf8Already", "caf\xC3\xA9", "caf\xC3\xA9"},
    {"NothingAfterTheZeroGivesThePlainName", std::string("abc\0", 4), "abc"},
    // Flags 10: a two-byte character (U+20AC, low byte first).
    {"TwoByteCharacter", std::string("?\0\x00\x80\xAC\x20", 6), "\xE2\x82\xAC"},
    // Flags 11 with 0x80: a run of 2 copied from the plain name shifted by the correction into
    // the high byte's page: 'A' + 0xFF = 0x40 -> U+0440, 'B' + 0xFF = 0x41 -> U+0441.
    {"CorrectedRun", std::string("AB\0\x04\xC0\x80\xFF", 7), "\xD1\x80\xD1\x81"},
    // A surrogate pair from two two-byte characters gives one four-byte character.
    {"SurrogatePair", std::string("??\0\x00\xA0\x3D\xD8\x00\xDE", 9), "\xF0\x9F\x98\x80"},
    {"UnpairedSurrogate", std::string("?\0\x00\x80\x00\xD8", 6), "\xEF\xBF\xBD"},
    // A run longer than the plain name stops at its end.
    {"RunBeyondThePlainName", std::string("ab\0\x00\xC0\x7F", 6), "ab"},
    // Cut inside a two-byte character and inside a corrected run: what decoded so far.
    {"CutInsideTwoByteCharacter", std::string("??\0\x00\x20\x41\xAC", 7), "A"},
    {"CutBeforeTheCorrection", std::string("AB\0\x04\xC0\x80", 6), ""},
};

INSTANTIATE_TEST_SUITE_P(Fields, NameDecoding, ::testing::ValuesIn(kDecodeCases),
                         [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(NameDecoding, EveryCutOfARealFieldStaysInside) {
  // Each prefix as a field of its own size (AddressSanitizer sees reads past it).
  for (size_t size = 0; size <= kFixtureField.size(); ++size) {
    std::vector<uint8_t> field(kFixtureField.begin(), kFixtureField.begin() + long(size));
    std::string name = decode(field);
    EXPECT_LE(name.size(), 4 * size) << size;
  }
}

class NameEncoding : public ::testing::TestWithParam<const char*> {};

TEST_P(NameEncoding, ComesBackAndStartsWithThePlainUtf8Name) {
  const std::string name = GetParam();
  const std::string field = Rar20NameCodec::encode(name);
  ASSERT_FALSE(field.empty());
  EXPECT_EQ(0, field.compare(0, name.size() + 1, std::string(name.c_str(), name.size() + 1)));
  EXPECT_EQ(name, decode(bytes(field)));
}

INSTANTIATE_TEST_SUITE_P(Names, NameEncoding,
                         ::testing::Values("\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.txt",                  // Cyrillic
                                           "data\\caf\xC3\xA9\\\xC3\xBC.bin",                       // Latin-1 range
                                           "\xE6\x97\xA5\xE6\x9C\xAC\xD1\x8F\xE2\x82\xAC",          // mixed pages
                                           "emoji-\xF0\x9F\x98\x80-x",                              // above U+FFFF
                                           "abcdefghij\xC3\xA9klmnopqrstuvwxyz\xD1\x8F\xD1\x8F"));  // many flag bytes

TEST(NameEncoding, RefusesMalformedUtf8) {
  for (const char* bad : {"\xC3", "a\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80x", "\xE2\x82"}) {
    EXPECT_EQ("", Rar20NameCodec::encode(bad)) << bad;
  }
  EXPECT_TRUE(Rar20NameCodec::isAscii("plain\\name.txt"));
  EXPECT_FALSE(Rar20NameCodec::isAscii("caf\xC3\xA9"));
}

}  // namespace
