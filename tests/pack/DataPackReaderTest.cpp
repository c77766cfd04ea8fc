#include "DataPack.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
const std::string kArchives = std::string(RK17_SHARED_DIR) + "/rar20/archives/";
const std::string kExpected = std::string(RK17_SHARED_DIR) + "/rar20/expected/";

std::vector<uint8_t> readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ExtractResult {
  int result = 0;
  std::vector<uint8_t> bytes;
  bool dataIsNull = true;
  uint32_t size = 0;
};

ExtractResult extract(const std::string& pack, const char* password, const char* entry) {
  ExtractResult r;
  uint8_t* data = reinterpret_cast<uint8_t*>(&r);  // must be overwritten
  r.size = 12345;
  r.result = DataPack::extract(pack.c_str(), password, entry, &data, &r.size);
  r.dataIsNull = data == nullptr;
  if (data) r.bytes.assign(data, data + r.size);
  std::free(data);
  return r;
}

struct FixtureCase {
  const char* archive;
  const char* entry;     // name asked for
  const char* expected;  // file under expected/<archive stem>/
  const char* password;
};

class FixtureArchives : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureArchives, ExtractsTheExpectedBytes) {
  const FixtureCase& c = GetParam();
  std::string stem = c.archive;
  stem.resize(stem.size() - 4);
  const std::vector<uint8_t> expected = readWhole(kExpected + stem + "/" + c.expected);
  ASSERT_FALSE(expected.empty());
  ExtractResult r = extract(kArchives + c.archive, c.password, c.entry);
  ASSERT_EQ(1, r.result);
  EXPECT_EQ(expected.size(), r.size);
  EXPECT_TRUE(r.bytes == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rar20, FixtureArchives,
    ::testing::Values(
        FixtureCase{"koni-rar250-m3-lz-prose.rar", "PROSE.TXT", "PROSE.TXT", ""},
        FixtureCase{"koni-rar250-m3-lz-repeat.rar", "REPEAT.TXT", "REPEAT.TXT", ""},
        FixtureCase{"koni-rar250-m3-solid-2files.rar", "PROSE.TXT", "PROSE.TXT", ""},
        FixtureCase{"koni-rar250-m3-solid-2files.rar", "REPEAT.TXT", "REPEAT.TXT", ""},
        FixtureCase{"koni-rar250-m5-mm-audio4ch.rar", "AUDS.RAW", "AUDS.RAW", ""},
        FixtureCase{"rarfile-rar2-m3-unix-owner-subblock-recovery.rar", "file.txt", "file.txt", ""},
        FixtureCase{"rarfile-rar202-m3-encrypted-comments-pw-password.rar", "FILE1.TXT", "FILE1.TXT", "password"},
        FixtureCase{"rarfile-rar202-m3-encrypted-comments-pw-password.rar", "FILE2.TXT", "FILE2.TXT", "password"},
        FixtureCase{"rarfile-rar202-stored-comments.rar", "FILE1.TXT", "FILE1.TXT", ""},
        FixtureCase{"rarfile-rar202-stored-comments.rar", "FILE2.TXT", "FILE2.TXT", ""},
        FixtureCase{"sharpcompress-rar2-m5-dirs-unicode.rar", "exe\\test.exe", "exe/test.exe", ""},
        FixtureCase{"sharpcompress-rar2-m5-dirs-unicode.rar", "jpg\\test.jpg", "jpg/test.jpg", ""},
        // The Unicode name flag: the matched name is the plain part before the zero byte.
        FixtureCase{"sharpcompress-rar2-m5-dirs-unicode.rar", "????.txt", "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.txt", ""}));
}  // namespace
