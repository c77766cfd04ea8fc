#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DataPack.h"
#include "PackFixtures.h"
#include "TempPackFile.h"
#include "TestPackBuilder.h"
#include "TestStreamWriter.h"

namespace {
const std::string kArchives = std::string(RK17_SHARED_DIR) + "/rar20/archives/";
const std::string kExpected = std::string(RK17_SHARED_DIR) + "/rar20/expected/";

std::vector<uint8_t> textBytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

struct ExtractResult {
  int result = 0;
  bool dataIsNull = true;
  uint32_t size = 0;
  std::vector<uint8_t> bytes;
};

ExtractResult extract(const std::string& pack, const char* password, const char* entry) {
  ExtractResult r;
  uint8_t poison = 0;
  uint8_t* data = &poison;  // the call must overwrite it
  r.size = 12345;
  r.result = DataPack::extract(pack.c_str(), password, entry, &data, &r.size);
  r.dataIsNull = data == nullptr;
  if (data && data != &poison) {
    r.bytes.assign(data, data + r.size);
    std::free(data);
  }
  return r;
}

// The failure result: 0, no data, size 0.
void expectFailure(const ExtractResult& r) {
  EXPECT_EQ(0, r.result);
  EXPECT_TRUE(r.dataIsNull);
  EXPECT_EQ(0u, r.size);
}

// ---- The archives made by other tools ----

class FixtureArchives : public ::testing::TestWithParam<PackFixture> {};

TEST_P(FixtureArchives, ExtractEveryEntryToTheExpectedBytes) {
  const PackFixture& fixture = GetParam();
  for (size_t i = 0; i < fixture.entries.size(); ++i) {
    ASSERT_FALSE(fixture.expected[i].empty());
    ExtractResult r = extract(fixture.archive, fixture.password.c_str(), fixture.entries[i].c_str());
    ASSERT_EQ(1, r.result) << fixture.entries[i];
    EXPECT_EQ(fixture.expected[i].size(), r.size) << fixture.entries[i];
    EXPECT_TRUE(r.bytes == fixture.expected[i]) << fixture.entries[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Rar20, FixtureArchives, ::testing::ValuesIn(PackFixture::all()),
                         [](const ::testing::TestParamInfo<PackFixture>& info) {
                           std::string name = info.param.archive.substr(info.param.archive.rfind('/') + 1);
                           name.resize(name.size() - 4);
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(DataPackFixtures, DirectoryEntryOfSizeZeroGivesResultOneAndSizeZero) {
  ExtractResult r = extract(kArchives + "sharpcompress-rar2-m5-dirs-unicode.rar", "", "exe");
  EXPECT_EQ(1, r.result);
  EXPECT_EQ(0u, r.size);
  EXPECT_FALSE(r.dataIsNull);
}

// ---- Name matching ----

struct NameCase {
  const char* requested;
  const char* stored;
  bool match;
};

class NameMatching : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameMatching, FollowsSlashAndCaseRules) {
  EXPECT_EQ(GetParam().match, DataPack::namesMatch(GetParam().requested, GetParam().stored));
}

INSTANTIATE_TEST_SUITE_P(Names, NameMatching,
                         ::testing::Values(NameCase{"data/images/loading.png", "data\\images\\loading.png", true},
                                           NameCase{"DATA/IMAGES/LOADING.PNG", "data\\images\\loading.png", true},
                                           NameCase{"data\\Images\\Loading.png", "DATA\\IMAGES\\LOADING.PNG", true},
                                           NameCase{"data/images/loading.png", "data/images/loading.png", true},
                                           // Slashes become underscores, so an underscore matches them too.
                                           NameCase{"data_images_loading.png", "data\\images\\loading.png", true},
                                           NameCase{"data/images/loading.png", "data\\images\\loading.pn", false},
                                           NameCase{"data/images/loading.pn", "data\\images\\loading.png", false},
                                           NameCase{"", "", true}, NameCase{"a", "", false},
                                           // Only ASCII letters change case.
                                           NameCase{"\xE9t\xE9", "\xC9T\xC9", false}));

TEST(NameMatching, ComparesOnly511Characters) {
  std::string a(511, 'x'), b(511, 'X');
  EXPECT_TRUE(DataPack::namesMatch((a + "tail1").c_str(), (b + "other").c_str()));
  EXPECT_FALSE(DataPack::namesMatch((a.substr(1) + "1").c_str(), (b.substr(1) + "2").c_str()));
}

struct SpellingCase {
  const char* requested;
};
class FixtureNameSpellings : public ::testing::TestWithParam<SpellingCase> {};

TEST_P(FixtureNameSpellings, FindTheBackslashEntry) {
  ExtractResult r = extract(kArchives + "sharpcompress-rar2-m5-dirs-unicode.rar", "", GetParam().requested);
  EXPECT_EQ(1, r.result);
  EXPECT_EQ(45056u, r.size);
}

INSTANTIATE_TEST_SUITE_P(Names, FixtureNameSpellings,
                         ::testing::Values(SpellingCase{"exe/test.exe"}, SpellingCase{"EXE/TEST.EXE"},
                                           SpellingCase{"Exe\\Test.Exe"}, SpellingCase{"exe\\TEST.exe"}));

TEST(DataPackNames, StoredNamesAreCutTo259Characters) {
  const std::string longName(300, 'n');
  TestPackBuilder pack;
  pack.addStored(longName, textBytes("long"));
  TempPackFile file(pack.bytes());
  EXPECT_EQ(1, extract(file.path(), "", longName.substr(0, 259).c_str()).result);
  expectFailure(extract(file.path(), "", longName.c_str()));
}

// ---- Passwords ----

const std::string kEncrypted = kArchives + "rarfile-rar202-m3-encrypted-comments-pw-password.rar";

struct PasswordCase {
  const char* password;
};
class WrongPasswords : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(WrongPasswords, FailTheChecksum) { expectFailure(extract(kEncrypted, GetParam().password, "FILE1.TXT")); }

INSTANTIATE_TEST_SUITE_P(Passwords, WrongPasswords,
                         ::testing::Values(PasswordCase{""}, PasswordCase{nullptr}, PasswordCase{"Password"},
                                           PasswordCase{"passwor"}, PasswordCase{"password "}));

TEST(DataPackPasswords, EncryptedStoredEntryWithPartialLastBlock) {
  const std::vector<uint8_t> data = textBytes("twenty-three bytes long");
  TestPackBuilder pack;
  pack.addStored("a.txt", data, "falco31");
  TempPackFile file(pack.bytes());
  ExtractResult r = extract(file.path(), "falco31", "a.txt");
  ASSERT_EQ(1, r.result);
  EXPECT_EQ(data, r.bytes);
  expectFailure(extract(file.path(), "", "a.txt"));
  expectFailure(extract(file.path(), "falco32", "a.txt"));
}

// ---- Pack structure ----

TEST(DataPackStructure, StoredEntryOfSizeZeroGivesResultOneAndSizeZero) {
  TestPackBuilder pack;
  pack.addStored("empty.bin", {});
  TempPackFile file(pack.bytes());
  ExtractResult r = extract(file.path(), "", "empty.bin");
  EXPECT_EQ(1, r.result);
  EXPECT_EQ(0u, r.size);
  EXPECT_FALSE(r.dataIsNull);
}

TEST(DataPackStructure, BothMarkersAreAccepted) {
  for (bool unique : {false, true}) {
    TestPackBuilder pack(unique);
    pack.addStored("x.txt", textBytes("marker"));
    TempPackFile file(pack.bytes());
    EXPECT_EQ(textBytes("marker"), extract(file.path(), "", "x.txt").bytes) << "unique marker " << unique;
  }
}

TEST(DataPackStructure, FindsEntriesAfterOthersAndAfterOtherBlocks) {
  TestPackBuilder pack;
  pack.addBlock(0x77, 0, 4);  // a sub-block right after the archive header is skipped
  pack.addStored("first.txt", textBytes("first"));
  pack.addBlock(0x7A, 0x8000, 3, textBytes("old-style comment block"));
  pack.addStored("second.txt", textBytes("second"));
  TempPackFile file(pack.bytes());
  EXPECT_EQ(textBytes("second"), extract(file.path(), "", "second.txt").bytes);
  EXPECT_EQ(textBytes("first"), extract(file.path(), "", "first.txt").bytes);
}

TEST(DataPackStructure, SubBlockAfterAFileHeaderEndsTheSearch) {
  TestPackBuilder pack;
  pack.addStored("first.txt", textBytes("first"));
  pack.addBlock(0x77, 0x8000, 4, textBytes("owner"));
  pack.addStored("second.txt", textBytes("second"));
  TempPackFile file(pack.bytes());
  EXPECT_EQ(1, extract(file.path(), "", "first.txt").result);
  expectFailure(extract(file.path(), "", "second.txt"));
  expectFailure(extract(kArchives + "rarfile-rar2-m3-unix-owner-subblock-recovery.rar", "", "missing.txt"));
}

TEST(DataPackStructure, FileCommentsAfterTheNameAreSkipped) {
  TestPackBuilder pack;
  TestPackBuilder::Entry entry;
  entry.name = "c.txt";
  entry.packed = textBytes("commented");
  entry.unpackedSize = 9;
  entry.crc = TestPackBuilder::crcOf(entry.packed);
  entry.extraHeaderBytes = 20;
  pack.addEntry(entry);
  TempPackFile file(pack.bytes());
  EXPECT_EQ(entry.packed, extract(file.path(), "", "c.txt").bytes);
}

struct VersionCase {
  uint8_t version;
  int result;
};
class Versions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(Versions, OnlyThirteenToTwentyAreRead) {
  TestPackBuilder pack;
  TestPackBuilder::Entry entry;
  entry.name = "v.txt";
  entry.packed = textBytes("version");
  entry.unpackedSize = 7;
  entry.crc = TestPackBuilder::crcOf(entry.packed);
  entry.version = GetParam().version;
  pack.addEntry(entry);
  TempPackFile file(pack.bytes());
  EXPECT_EQ(GetParam().result, extract(file.path(), "", "v.txt").result);
}

INSTANTIATE_TEST_SUITE_P(Pack, Versions,
                         ::testing::Values(VersionCase{12, 0}, VersionCase{13, 1}, VersionCase{15, 1},
                                           VersionCase{20, 1}, VersionCase{21, 0}, VersionCase{29, 0}));

TEST(DataPackStructure, SolidArchiveDecodesEarlierEntriesOfAnUnsupportedVersionAndFails) {
  TestPackBuilder pack(false, 0x0008);
  TestPackBuilder::Entry entry;
  entry.name = "new.txt";
  entry.packed = textBytes("abc");
  entry.unpackedSize = 3;
  entry.version = 29;
  pack.addEntry(entry);
  pack.addStored("old.txt", textBytes("old"));
  TempPackFile file(pack.bytes());
  expectFailure(extract(file.path(), "", "old.txt"));
}

TEST(DataPackStructure, ChecksumMismatchFails) {
  TestPackBuilder pack;
  TestPackBuilder::Entry entry;
  entry.name = "bad.txt";
  entry.packed = textBytes("payload");
  entry.unpackedSize = 7;
  entry.crc = TestPackBuilder::crcOf(entry.packed) ^ 1;
  pack.addEntry(entry);
  TempPackFile file(pack.bytes());
  expectFailure(extract(file.path(), "", "bad.txt"));
}

// Malformed packs: each is a valid pack with one field forged.
struct MalformedCase {
  const char* what;
  size_t offset;  // byte changed, counted from the start of the pack
  std::vector<uint8_t> bytes;
};

class MalformedPacks : public ::testing::TestWithParam<MalformedCase> {};

// Layout of the pack built below: marker 0..6, archive header 7..19, file header 20..(20+32+5),
// name "a.txt", then 10 bytes of data.
std::vector<uint8_t> simplePack() {
  TestPackBuilder pack;
  pack.addStored("a.txt", textBytes("0123456789"));
  return pack.bytes();
}

TEST_P(MalformedPacks, FailWithoutReadingOutside) {
  std::vector<uint8_t> bytes = simplePack();
  const MalformedCase& c = GetParam();
  for (size_t i = 0; i < c.bytes.size(); ++i) bytes[c.offset + i] = c.bytes[i];
  TempPackFile file(bytes);
  expectFailure(extract(file.path(), "", "a.txt"));
}

INSTANTIATE_TEST_SUITE_P(Pack, MalformedPacks,
                         ::testing::Values(MalformedCase{"bad marker", 3, {0x00}},
                                           MalformedCase{"archive header size below 13", 12, {12, 0}},
                                           MalformedCase{"archive header beyond the file", 12, {0xFF, 0xFF}},
                                           MalformedCase{"block header size below 7", 25, {6, 0}},
                                           MalformedCase{"file header shorter than its fixed part", 25, {31, 0}},
                                           MalformedCase{"name longer than the header", 46, {40, 0}},
                                           MalformedCase{"packed size beyond the file", 27, {11, 0, 0, 0}},
                                           MalformedCase{"packed size near 4 GiB", 27, {0xF0, 0xFF, 0xFF, 0xFF}},
                                           MalformedCase{"stored entry larger than its data", 31, {11, 0, 0, 0}},
                                           MalformedCase{"unpacked size of 4 GiB", 31, {0xFF, 0xFF, 0xFF, 0xFF}}),
                         [](const ::testing::TestParamInfo<MalformedCase>& info) {
                           std::string name = info.param.what;
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(DataPackStructure, MissingPackOrEntryOrArgumentsFail) {
  expectFailure(extract("/nonexistent/data.vdd", "", "a.txt"));
  TempPackFile file(simplePack());
  expectFailure(extract(file.path(), "", "b.txt"));
  uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(0, DataPack::extract(nullptr, "", "a.txt", &data, &size));
  EXPECT_EQ(0, DataPack::extract(file.path(), "", nullptr, &data, &size));
  EXPECT_EQ(0, DataPack::extract(file.path(), "", "a.txt", nullptr, &size));
  EXPECT_EQ(0, DataPack::extract(file.path(), "", "a.txt", &data, nullptr));
}

TEST(DataPackStructure, CompressedEntryClaimingMoreThanItsDataCanHoldFails) {
  // 4 packed bytes can yield at most (32 + 1) * 260 bytes; the header claims more.
  TestPackBuilder pack;
  TestPackBuilder::Entry entry;
  entry.name = "big.bin";
  entry.packed = {0, 0, 0, 0};
  entry.unpackedSize = 33 * 260 + 1;
  entry.method = 0x33;
  pack.addEntry(entry);
  TempPackFile file(pack.bytes());
  expectFailure(extract(file.path(), "", "big.bin"));
}

// ---- Compressed streams made here ----

TEST(DataPackCompressed, SolidEntryContinuesTheWindowOfThePreviousEntry) {
  // Entry 1 writes "abc" with literals; entry 2 (solid, no tables) copies it with one match of
  // length 3 at distance 3 (symbol 270 + 0: length 3; distance symbol 2: distance 3).
  std::vector<uint8_t> lengths(TestStreamWriter::kLzTableSize, 0);
  lengths['a'] = lengths['b'] = lengths['c'] = 2;
  lengths[270] = 2;
  lengths[298 + 2] = 1;
  lengths[298 + 3] = 1;
  const std::vector<uint8_t> mainLengths(lengths.begin(), lengths.begin() + 298);
  const std::vector<uint8_t> distanceLengths(lengths.begin() + 298, lengths.begin() + 346);

  TestStreamWriter first;
  first.writeLzTables(lengths);
  for (char c : std::string("abc")) first.writeSymbol(mainLengths, c);
  TestStreamWriter second;
  second.writeSymbol(mainLengths, 270);
  second.writeSymbol(distanceLengths, 2);

  TestPackBuilder pack(false, 0x0008);
  TestPackBuilder::Entry entry;
  entry.method = 0x33;
  entry.name = "one.txt";
  entry.packed = first.bytes();
  entry.unpackedSize = 3;
  entry.crc = TestPackBuilder::crcOf(textBytes("abc"));
  pack.addEntry(entry);
  entry.name = "two.txt";
  entry.flags = 0x8010;
  entry.packed = second.bytes();
  pack.addEntry(entry);
  TempPackFile file(pack.bytes());
  EXPECT_EQ(textBytes("abc"), extract(file.path(), "", "two.txt").bytes);
  EXPECT_EQ(textBytes("abc"), extract(file.path(), "", "one.txt").bytes);

  // The same pack without the solid archive flag: entry 2 alone has nothing to copy from.
  std::vector<uint8_t> nonSolid = pack.bytes();
  nonSolid[10] = 0;
  file.rewrite(nonSolid);
  expectFailure(extract(file.path(), "", "two.txt"));
}

// ---- Listing and extracting everything ----

TEST(DataPackList, ListsNamesSizesAndFlags) {
  std::vector<DataPackEntry> entries;
  ASSERT_TRUE(DataPack::list((kArchives + "sharpcompress-rar2-m5-dirs-unicode.rar").c_str(), &entries));
  ASSERT_EQ(5u, entries.size());
  EXPECT_EQ("exe", entries[0].name);
  EXPECT_TRUE(entries[0].isDirectory());
  EXPECT_EQ("exe\\test.exe", entries[2].name);
  EXPECT_FALSE(entries[2].isDirectory());
  EXPECT_EQ(45056u, entries[2].unpackedSize);
  EXPECT_EQ(18349u, entries[2].packedSize);
  EXPECT_EQ(20, entries[2].version);
  EXPECT_EQ(0x35, entries[2].method);
  EXPECT_NE(0, entries[4].flags & DataPackEntry::kFlagUnicodeName);
}

TEST(DataPackList, SkipsSubBlocksAndFailsOnAMissingPack) {
  std::vector<DataPackEntry> entries;
  EXPECT_TRUE(DataPack::list((kArchives + "rarfile-rar2-m3-unix-owner-subblock-recovery.rar").c_str(), &entries));
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ("file.txt", entries[0].name);
  EXPECT_FALSE(DataPack::list("/nonexistent/data.vdd", &entries));
}

TEST(DataPackExtractAll, DecodesASolidStreamInOnePass) {
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> contents;
  bool ok = DataPack::extractAll((kArchives + "koni-rar250-m3-solid-2files.rar").c_str(), "",
                                 [&](const DataPackEntry& entry, const uint8_t* data, bool crcMatches) {
                                   EXPECT_TRUE(crcMatches) << entry.name;
                                   names.push_back(entry.name);
                                   contents.emplace_back(data, data + entry.unpackedSize);
                                   return true;
                                 });
  ASSERT_TRUE(ok);
  ASSERT_EQ(2u, names.size());
  EXPECT_EQ(PackFixture::readWhole(kExpected + "koni-rar250-m3-solid-2files/PROSE.TXT"), contents[0]);
  EXPECT_EQ(PackFixture::readWhole(kExpected + "koni-rar250-m3-solid-2files/REPEAT.TXT"), contents[1]);
}

TEST(DataPackExtractAll, ReportsChecksumFailuresAndStopsWhenAsked) {
  int calls = 0;
  bool ok =
      DataPack::extractAll(kEncrypted.c_str(), "wrong", [&](const DataPackEntry&, const uint8_t*, bool crcMatches) {
        EXPECT_FALSE(crcMatches);
        ++calls;
        return false;
      });
  EXPECT_TRUE(ok);
  EXPECT_EQ(1, calls);
}
}  // namespace
