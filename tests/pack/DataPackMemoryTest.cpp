// The pack reader on bytes in memory and with streamed output: the same entries and bytes as the
// file path gives, entry size caps, and the Unicode names of other archivers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DataPack.h"
#include "PackFixtures.h"
#include "PackKey.h"
#include "TestPackBuilder.h"

namespace {
const std::string kArchives = std::string(RK17_SHARED_DIR) + "/rar20/archives/";

struct Decoded {
  std::string name;
  std::vector<uint8_t> bytes;
  bool complete = false;
  size_t pieces = 0;
};

std::vector<Decoded> streamAll(const std::string& pack, const std::string& password) {
  std::vector<Decoded> out;
  DataPack::EntryStream stream;
  stream.begin = [&](const DataPackEntry& entry) {
    out.push_back({entry.name, {}, false, 0});
    return !entry.isDirectory();
  };
  stream.write = [&](const uint8_t* bytes, size_t size) {
    out.back().bytes.insert(out.back().bytes.end(), bytes, bytes + size);
    ++out.back().pieces;
  };
  stream.end = [&](const DataPackEntry&, bool complete) {
    out.back().complete = complete;
    return true;
  };
  EXPECT_TRUE(DataPack::extractAllStreaming(pack.c_str(), password.c_str(), stream));
  return out;
}

class FromMemory : public ::testing::TestWithParam<PackFixture> {};

TEST_P(FromMemory, ListsAndExtractsAsFromTheFile) {
  const PackFixture& fixture = GetParam();
  const std::vector<uint8_t> pack = PackFixture::readWhole(fixture.archive);
  std::vector<DataPackEntry> fromFile;
  std::vector<DataPackEntry> fromMemory;
  const bool fileOk = DataPack::list(fixture.archive.c_str(), &fromFile);
  EXPECT_EQ(fileOk, DataPack::listFromMemory(pack.data(), pack.size(), &fromMemory));
  ASSERT_EQ(fromFile.size(), fromMemory.size());
  for (size_t i = 0; i < fromFile.size(); ++i) {
    EXPECT_EQ(fromFile[i].name, fromMemory[i].name);
    EXPECT_EQ(fromFile[i].dataOffset, fromMemory[i].dataOffset);
    EXPECT_EQ(fromFile[i].fileCrc, fromMemory[i].fileCrc);
  }
  for (size_t i = 0; i < fixture.entries.size(); ++i) {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(1, DataPack::extractFromMemory(pack.data(), pack.size(), fixture.password.c_str(),
                                             fixture.entries[i].c_str(), &data, &size))
        << fixture.entries[i];
    EXPECT_TRUE(std::vector<uint8_t>(data, data + size) == fixture.expected[i]) << fixture.entries[i];
    std::free(data);
  }
}

// One key, built once, serves every call: each entry by name (twice: a call leaves the key as it
// found it) and all entries at once give the expected bytes; a key without the password does not
// decrypt an encrypted pack.
TEST_P(FromMemory, OneKeyServesEveryCall) {
  const PackFixture& fixture = GetParam();
  const std::vector<uint8_t> pack = PackFixture::readWhole(fixture.archive);
  const PackKey key(fixture.password.c_str());
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < fixture.entries.size(); ++i) {
      uint8_t* data = nullptr;
      uint32_t size = 0;
      ASSERT_EQ(1, DataPack::extractFromMemory(pack.data(), pack.size(), key, fixture.entries[i].c_str(), &data, &size))
          << fixture.entries[i] << " round " << round;
      EXPECT_TRUE(std::vector<uint8_t>(data, data + size) == fixture.expected[i]) << fixture.entries[i];
      std::free(data);
    }
  }
  size_t matched = 0;
  EXPECT_TRUE(DataPack::extractAllFromMemory(
      pack.data(), pack.size(), key, [&](const DataPackEntry& entry, const uint8_t* bytes, bool crcMatches) {
        for (size_t i = 0; i < fixture.entries.size(); ++i) {
          if (entry.name != fixture.entries[i]) continue;
          EXPECT_TRUE(crcMatches) << entry.name;
          if (bytes && std::vector<uint8_t>(bytes, bytes + entry.unpackedSize) == fixture.expected[i]) ++matched;
        }
        return true;
      }));
  EXPECT_EQ(fixture.entries.size(), matched);
  if (!fixture.password.empty() && !fixture.entries.empty()) {
    const PackKey none;
    uint8_t* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(0, DataPack::extractFromMemory(pack.data(), pack.size(), none, fixture.entries[0].c_str(), &data, &size));
    EXPECT_EQ(nullptr, data);
  }
}

TEST_P(FromMemory, StreamingGivesTheExpectedBytesInWindowSizedPieces) {
  const PackFixture& fixture = GetParam();
  const std::vector<Decoded> decoded = streamAll(fixture.archive, fixture.password);
  for (size_t i = 0; i < fixture.entries.size(); ++i) {
    bool seen = false;
    for (const Decoded& d : decoded) {
      if (d.name != fixture.entries[i]) continue;
      seen = true;
      EXPECT_TRUE(d.complete) << d.name;
      EXPECT_TRUE(d.bytes == fixture.expected[i]) << d.name;
      EXPECT_LE(d.pieces, 1 + d.bytes.size() / 8192) << d.name;
    }
    EXPECT_TRUE(seen) << fixture.entries[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, FromMemory, ::testing::ValuesIn(PackFixture::all()),
                         [](const ::testing::TestParamInfo<PackFixture>& info) {
                           std::string name;
                           for (char c : info.param.archive.substr(info.param.archive.rfind('/') + 1)) {
                             if (isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

TEST(FromMemory, EntriesAboveTheCapAreNotDecoded) {
  const std::vector<uint8_t> pack = PackFixture::readWhole(kArchives + "koni-rar250-m3-solid-2files.rar");
  // PROSE.TXT (37805 bytes) first, then REPEAT.TXT (128200) continuing the solid stream.
  struct Case {
    uint32_t cap;
    int prose;  // extract result for each name
    int repeat;
  };
  for (const Case& c : {Case{128200, 1, 1}, Case{128199, 1, 0}, Case{37805, 1, 0}, Case{37804, 0, 0}}) {
    for (const auto& [name, expected] : {std::pair<const char*, int>{"PROSE.TXT", c.prose}, {"REPEAT.TXT", c.repeat}}) {
      uint8_t* data = nullptr;
      uint32_t size = 0;
      EXPECT_EQ(expected, DataPack::extractFromMemory(pack.data(), pack.size(), "", name, &data, &size, c.cap))
          << name << " cap " << c.cap;
      std::free(data);
    }
    std::vector<bool> decoded;
    DataPack::extractAllFromMemory(
        pack.data(), pack.size(), "",
        [&](const DataPackEntry&, const uint8_t* data, bool crcMatches) {
          decoded.push_back(data != nullptr && crcMatches);
          return true;
        },
        c.cap);
    EXPECT_EQ((std::vector<bool>{c.prose == 1, c.repeat == 1}), decoded) << "cap " << c.cap;
  }
}

TEST(FromMemory, NothingIsNotAPack) {
  std::vector<DataPackEntry> entries;
  EXPECT_FALSE(DataPack::listFromMemory(nullptr, 0, &entries));
  const uint8_t marker[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
  EXPECT_FALSE(DataPack::listFromMemory(marker, sizeof(marker), &entries));
  EXPECT_TRUE(entries.empty());
}

TEST(Streaming, AWrongPasswordLeavesEveryEntryIncomplete) {
  const std::vector<Decoded> decoded =
      streamAll(kArchives + "rarfile-rar202-m3-encrypted-comments-pw-password.rar", "wrong");
  ASSERT_EQ(2u, decoded.size());
  for (const Decoded& d : decoded) EXPECT_FALSE(d.complete) << d.name;
}

TEST(UnicodeNames, ShowTheNameOtherArchiversWroteAndKeepThePlainOneForLookups) {
  std::vector<DataPackEntry> entries;
  ASSERT_TRUE(DataPack::list((kArchives + "sharpcompress-rar2-m5-dirs-unicode.rar").c_str(), &entries));
  ASSERT_EQ(5u, entries.size());
  EXPECT_EQ("????.txt", entries[4].name);
  EXPECT_EQ("\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.txt", entries[4].utf8Name);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(entries[i].name, entries[i].utf8Name);
}
// Found by fuzzing: a file header whose name field is empty (the name was read through a null
// pointer). Every name-field shape must list; Unicode ones give what they decode to.
TEST(UnicodeNames, OddNameFieldsListWithoutFault) {
  struct Case {
    std::string field;
    uint16_t flags;
    std::string name;
    std::string utf8Name;
  };
  const Case cases[] = {
      {"", 0x8000, "", ""},
      {"", 0x8000 | DataPackEntry::kFlagUnicodeName, "", ""},
      {std::string("\0", 1), 0x8000 | DataPackEntry::kFlagUnicodeName, "", ""},
      {"plain", 0x8000 | DataPackEntry::kFlagUnicodeName, "plain", "plain"},
      {std::string("x\0\x04\x40\x42", 5), 0x8000 | DataPackEntry::kFlagUnicodeName, "x", "\xD1\x82"},
  };
  for (const Case& c : cases) {
    TestPackBuilder pack;
    TestPackBuilder::Entry entry;
    entry.name = c.field;
    entry.flags = c.flags;
    entry.packed = {'a'};
    entry.unpackedSize = 1;
    entry.crc = TestPackBuilder::crcOf({'a'});
    pack.addEntry(entry);
    std::vector<DataPackEntry> entries;
    ASSERT_TRUE(DataPack::listFromMemory(pack.bytes().data(), pack.bytes().size(), &entries)) << c.name;
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(c.name, entries[0].name);
    EXPECT_EQ(c.utf8Name, entries[0].utf8Name) << c.name;
  }
}
}  // namespace
