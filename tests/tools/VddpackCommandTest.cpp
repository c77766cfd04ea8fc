// The vddpack command line, run in process: naming of inputs, refusals with their exit codes,
// and the a / l / x cycle through the program's reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "InputCollector.h"
#include "PackTestFiles.h"
#include "VddpackCommand.h"

namespace {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

std::string drain(std::FILE* f) {
  std::rewind(f);
  std::string s;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    s.append(buffer, n);
  }
  std::fclose(f);
  return s;
}

Outcome vddpack(const std::vector<std::string>& args) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  VddpackCommand command(out, err);
  int code = command.run(args);
  return {code, drain(out), drain(err)};
}

// A small data tree: data/scripts/demo.scr, data/images/a.bin, data/empty.txt.
void makeTree(const packtest::ScratchDir& dir) {
  packtest::writeFile(dir / "src/data/scripts/demo.scr", packtest::text(3000, 1));
  packtest::writeFile(dir / "src/data/images/a.bin", packtest::randomBytes(500, 2));
  packtest::writeFile(dir / "src/data/empty.txt", {});
}

TEST(VddpackCommand, AddListExtractRoundTrip) {
  packtest::ScratchDir dir;
  makeTree(dir);
  std::string pack = dir / "data.vdd";
  Outcome a = vddpack({"a", "-p", "falco31", pack, dir / "src/data"});
  ASSERT_EQ(a.code, 0) << a.err;
  EXPECT_FALSE(std::filesystem::exists(pack + ".tmp"));

  Outcome l = vddpack({"l", "-p", "falco31", pack});
  EXPECT_EQ(l.code, 0) << l.err;
  EXPECT_NE(l.out.find("data\\scripts\\demo.scr  ok"), std::string::npos) << l.out;
  EXPECT_NE(l.out.find("3 entries"), std::string::npos) << l.out;
  EXPECT_LT(l.out.find("data\\empty.txt"), l.out.find("data\\images\\a.bin"));  // empty files first

  Outcome x = vddpack({"x", "-p", "falco31", pack, dir / "out"});
  EXPECT_EQ(x.code, 0) << x.err;
  for (const char* name : {"data/scripts/demo.scr", "data/images/a.bin", "data/empty.txt"}) {
    std::vector<uint8_t> original;
    std::vector<uint8_t> extracted;
    ASSERT_TRUE(packtest::readFile(dir / (std::string("src/") + name), original));
    ASSERT_TRUE(packtest::readFile(dir / (std::string("out/") + name), extracted)) << name;
    EXPECT_TRUE(original == extracted) << name;
  }
  // The program's own lookup.
  std::vector<uint8_t> script;
  EXPECT_TRUE(packtest::extractEntry(pack, "falco31", "data/scripts/demo.scr", script));
}

TEST(VddpackCommand, WrongPasswordIsReportedByListAndExtract) {
  packtest::ScratchDir dir;
  makeTree(dir);
  std::string pack = dir / "data.vdd";
  ASSERT_EQ(vddpack({"a", "-p", "falco31", "-s", pack, dir / "src/data"}).code, 0);
  Outcome l = vddpack({"l", "-p", "wrong", pack});
  EXPECT_EQ(l.code, 1);
  EXPECT_NE(l.out.find("CRC FAILED"), std::string::npos) << l.out;
  Outcome x = vddpack({"x", "-pwrong", pack, dir / "out"});
  EXPECT_EQ(x.code, 1);
  EXPECT_NE(x.err.find("CRC mismatch"), std::string::npos) << x.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out/data/scripts/demo.scr"));
}

struct BadLine {
  const char* name;
  std::vector<std::string> args;  // "@" is replaced by the scratch folder
  int code;
  const char* message;  // part of stderr
};

class VddpackBadInput : public ::testing::TestWithParam<BadLine> {};

TEST_P(VddpackBadInput, RefusesWithAClearMessage) {
  const BadLine& c = GetParam();
  packtest::ScratchDir dir;
  makeTree(dir);
  std::vector<std::string> args;
  for (const std::string& a : c.args) {
    args.push_back(a.size() > 0 && a[0] == '@' ? dir.path() + a.substr(1) : a);
  }
  Outcome r = vddpack(args);
  EXPECT_EQ(r.code, c.code);
  EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "p.vdd"));
}

const BadLine kBadLines[] = {
    {"NoCommand", {}, 2, "no command"},
    {"UnknownCommand", {"q"}, 2, "unknown command"},
    {"UnknownOption", {"a", "--fast", "@/p.vdd", "@/src"}, 2, "unknown option --fast"},
    {"AddWithoutInputs", {"a", "@/p.vdd"}, 2, "at least one file"},
    {"EmptyPassword", {"a", "-p", "", "@/p.vdd", "@/src"}, 2, "non-empty password"},
    {"PasswordTooLong", {"a", "-p", std::string(256, 'x'), "@/p.vdd", "@/src"}, 2, "255 bytes"},
    {"BadChannels", {"a", "--channels", "5", "@/p.vdd", "@/src"}, 2, "1 to 4"},
    {"BadMarker", {"a", "--marker", "zip", "@/p.vdd", "@/src"}, 2, "--marker takes"},
    {"ArchiveFolderMissing", {"a", "@/no/such/p.vdd", "@/src/data"}, 1, "cannot create"},
    {"MissingInput", {"a", "@/p.vdd", "@/src/data", "@/nothing.bin"}, 1, "nothing.bin: no such file"},
    {"ListMissingPack", {"l", "@/p.vdd"}, 1, "cannot be read"},
    {"ExtractNotAPack", {"x", "@/src/data/images/a.bin", "@/out"}, 1, "cannot be read"},
};

INSTANTIATE_TEST_SUITE_P(Lines, VddpackBadInput, ::testing::ValuesIn(kBadLines),
                         [](const ::testing::TestParamInfo<BadLine>& info) { return std::string(info.param.name); });

TEST(VddpackCommand, HelpAndProgress) {
  Outcome help = vddpack({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("vddpack a [-p PASSWORD]"), std::string::npos);

  packtest::ScratchDir dir;
  packtest::writeFile(dir / "big/a.bin", packtest::randomBytes(5u << 20, 3));  // above the progress threshold
  Outcome a = vddpack({"a", dir / "p.vdd", dir / "big"});
  EXPECT_EQ(a.code, 0);
  EXPECT_NE(a.err.find("100% (1 of 1 files"), std::string::npos) << a.err;
}

TEST(VddpackCommand, RepackingIntoTheAddedFolderLeavesTheOldPackOut) {
  packtest::ScratchDir dir;
  makeTree(dir);
  std::string pack = dir / "src/data/data.vdd";
  ASSERT_EQ(vddpack({"a", pack, dir / "src/data"}).code, 0);
  ASSERT_EQ(vddpack({"a", pack, dir / "src/data"}).code, 0);
  Outcome l = vddpack({"l", pack});
  EXPECT_NE(l.out.find("3 entries"), std::string::npos) << l.out;
  EXPECT_EQ(l.out.find("data.vdd"), std::string::npos) << l.out;
}

TEST(VddpackCommand, FolderWithoutFilesGivesAnEmptyPack) {
  // The build packs data/ even before it holds files; the program then finds nothing in it.
  packtest::ScratchDir dir;
  std::filesystem::create_directories(dir / "data/images");
  Outcome a = vddpack({"a", "-q", "-p", "falco31", dir / "data.vdd", dir / "data"});
  EXPECT_EQ(a.code, 0);
  EXPECT_NE(a.err.find("empty pack"), std::string::npos) << a.err;
  Outcome l = vddpack({"l", dir / "data.vdd"});
  EXPECT_EQ(l.code, 0) << l.err;
  EXPECT_NE(l.out.find("0 entries"), std::string::npos);
  std::vector<uint8_t> out;
  EXPECT_FALSE(packtest::extractEntry(dir / "data.vdd", "falco31", "data/scripts/demo.scr", out));
}

// ---- naming of inputs

TEST(InputCollector, NamesFolderFilesFromTheFolderParentAndFilesByTheirName) {
  packtest::ScratchDir dir;
  makeTree(dir);
  packtest::writeFile(dir / "loose.txt", {1});
  InputCollector inputs;
  std::vector<std::string> errors;
  EXPECT_TRUE(inputs.add(dir / "src/data/", errors));
  EXPECT_TRUE(inputs.add(dir / "loose.txt", errors));
  EXPECT_TRUE(inputs.finish(errors));
  ASSERT_TRUE(errors.empty()) << errors[0];
  std::vector<std::string> names;
  for (const InputCollector::File& f : inputs.files()) {
    names.push_back(f.storedName);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"data\\empty.txt", "data\\images\\a.bin", "data\\scripts\\demo.scr",
                                             "loose.txt"}));
  EXPECT_EQ(inputs.totalSize(), 3000u + 500u + 1u);
}

struct NameCase {
  const char* name;
  std::vector<std::string> files;  // below the folder "data"
  const char* message;             // expected in an error, or empty when accepted
};

class InputNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(InputNames, AcceptOnlyNamesTheReaderCanFind) {
  const NameCase& c = GetParam();
  packtest::ScratchDir dir;
  for (const std::string& f : c.files) {
    packtest::writeFile(dir / ("data/" + f), {7});
  }
  InputCollector inputs;
  std::vector<std::string> errors;
  bool ok = inputs.add(dir / "data", errors);
  ok = inputs.finish(errors) && ok;
  std::string all;
  for (const std::string& e : errors) {
    all += e + "\n";
  }
  if (std::string(c.message).empty()) {
    EXPECT_TRUE(ok) << all;
  } else {
    EXPECT_FALSE(ok);
    EXPECT_NE(all.find(c.message), std::string::npos) << all;
  }
}

const NameCase kNameCases[] = {
    {"Plain", {"scripts/demo.scr", "a b-c_d.e"}, ""},
    {"LongestThatFits", {std::string(InputCollector::kMaxNameLength - 5, 'n')}, ""},
    {"TooLong", {std::string(InputCollector::kMaxNameLength - 4, 'n')}, "the reader compares at most 259"},
    {"NonAscii", {"caf\xc3\xa9.txt", "\xd1\x82\xd0\xb5\xd1\x81\xd1\x82/\xe6\x97\xa5.bin"}, ""},
    {"NotUtf8", {"caf\xe9.txt"}, "not valid UTF-8"},
    {"ControlCharacter", {"tab\there"}, "control character"},
    {"BackslashInName", {"back\\slash"}, "backslash inside a name"},
    {"SameForTheReaderBySeparator", {"a/b.txt", "a_b.txt"}, "is the same for the reader"},
    {"SameForTheReaderByCase", {"Demo.scr", "dEMO.SCR"}, "is the same for the reader"},
};

INSTANTIATE_TEST_SUITE_P(Names, InputNames, ::testing::ValuesIn(kNameCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST(InputCollector, FoldsNamesAsTheReaderDoes) {
  EXPECT_EQ(InputCollector::foldName("data\\Scripts/demo.scr"), "DATA_SCRIPTS_DEMO.SCR");
}

// ---- Unicode names, "." and the quiet and level options

const char* const kTestTxt = "\xd1\x82\xd0\xb5\xd1\x81\xd1\x82.txt";  // the Cyrillic name of the fixture

TEST(VddpackCommand, ShowsAndWritesTheUnicodeNameOfAnotherArchiver) {
  const std::string root = std::string(RK17_SHARED_DIR) + "/rar20/";
  const std::string pack = root + "archives/sharpcompress-rar2-m5-dirs-unicode.rar";
  Outcome l = vddpack({"l", pack});
  EXPECT_EQ(l.code, 0) << l.err;
  EXPECT_NE(l.out.find(std::string(" ") + kTestTxt + "\n"), std::string::npos) << l.out;
  EXPECT_EQ(l.out.find("????"), std::string::npos) << l.out;

  packtest::ScratchDir dir;
  Outcome x = vddpack({"x", pack, dir / "out"});
  EXPECT_EQ(x.code, 0) << x.err;
  for (const std::string& name : {std::string(kTestTxt), std::string("exe/test.exe"), std::string("jpg/test.jpg")}) {
    std::vector<uint8_t> expected;
    std::vector<uint8_t> extracted;
    ASSERT_TRUE(packtest::readFile(root + "expected/sharpcompress-rar2-m5-dirs-unicode/" + name, expected));
    ASSERT_TRUE(packtest::readFile(dir / ("out/" + name), extracted)) << name;
    EXPECT_TRUE(expected == extracted) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out/????.txt"));
}

TEST(VddpackCommand, NonAsciiNamesGoThroughOurReaderByName) {
  packtest::ScratchDir dir;
  const std::string nested = std::string("caf\xc3\xa9/") + kTestTxt;
  packtest::writeFile(dir / ("in/" + nested), packtest::text(2000, 7));
  packtest::writeFile(dir / "in/\xe6\x97\xa5\xe6\x9c\xac-\xf0\x9f\x98\x80.bin", packtest::randomBytes(300, 8));
  ASSERT_EQ(vddpack({"a", "-q", "-p", "falco31", dir / "p.vdd", dir / "in"}).code, 0);

  Outcome l = vddpack({"l", "-p", "falco31", dir / "p.vdd"});
  EXPECT_EQ(l.code, 0) << l.err;
  EXPECT_NE(l.out.find("in\\caf\xc3\xa9\\" + std::string(kTestTxt) + "  ok"), std::string::npos) << l.out;
  ASSERT_EQ(vddpack({"x", "-q", "-p", "falco31", dir / "p.vdd", dir / "out"}).code, 0);
  std::vector<uint8_t> original;
  std::vector<uint8_t> extracted;
  ASSERT_TRUE(packtest::readFile(dir / ("in/" + nested), original));
  ASSERT_TRUE(packtest::readFile(dir / ("out/in/" + nested), extracted));
  EXPECT_TRUE(original == extracted);
  // The program asks by the UTF-8 path.
  std::vector<uint8_t> viaReader;
  EXPECT_TRUE(packtest::extractEntry(dir / "p.vdd", "falco31", "in/" + nested, viaReader));
  EXPECT_TRUE(original == viaReader);
}

// Runs vddpack with dir as the working folder.
Outcome vddpackIn(const std::string& dir, const std::vector<std::string>& args) {
  char previous[4096];
  if (!getcwd(previous, sizeof previous) || chdir(dir.c_str()) != 0) {
    return {-1, "", "cannot change folder"};
  }
  Outcome o = vddpack(args);
  EXPECT_EQ(0, chdir(previous));
  return o;
}

class CurrentFolder : public ::testing::TestWithParam<const char*> {};

TEST_P(CurrentFolder, StoresPathsWithoutAPrefix) {
  packtest::ScratchDir dir;
  makeTree(dir);
  Outcome a = vddpackIn(dir / "src/data", {"a", "-q", dir / "p.vdd", GetParam()});
  ASSERT_EQ(a.code, 0) << a.err;
  std::vector<std::string> names;
  std::vector<DataPackEntry> entries;
  ASSERT_TRUE(DataPack::list((dir / "p.vdd").c_str(), &entries));
  for (const DataPackEntry& e : entries) {
    names.push_back(e.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"empty.txt", "images\\a.bin", "scripts\\demo.scr"}));
}

INSTANTIATE_TEST_SUITE_P(Spellings, CurrentFolder, ::testing::Values(".", "./", ".//", "./."));

TEST(VddpackCommand, QuietPrintsNothing) {
  packtest::ScratchDir dir;
  packtest::writeFile(dir / "big/a.bin", packtest::randomBytes(5u << 20, 3));  // above the progress threshold
  Outcome a = vddpack({"a", "-q", dir / "p.vdd", dir / "big"});
  EXPECT_EQ(a.code, 0);
  EXPECT_EQ("", a.out);
  EXPECT_EQ("", a.err);
  Outcome x = vddpack({"x", "-q", dir / "p.vdd", dir / "out"});
  EXPECT_EQ(x.code, 0);
  EXPECT_EQ("", x.out);
  EXPECT_EQ("", x.err);
}

TEST(VddpackCommand, EveryLevelRoundTripsAndHigherLevelsAreNotLarger) {
  packtest::ScratchDir dir;
  packtest::writeFile(dir / "in/text.txt", packtest::text(200000, 1));
  packtest::writeFile(dir / "in/runs.bin", packtest::runs(300000));
  packtest::writeFile(dir / "in/random.bin", packtest::randomBytes(20000, 2));
  uintmax_t previousSize = ~uintmax_t(0);
  for (const char* level : {"-m1", "-m2", "-m3", "-m4", "-m5"}) {
    const std::string pack = dir / (std::string("p") + level + ".vdd");
    ASSERT_EQ(vddpack({"a", "-q", level, pack, dir / "in"}).code, 0) << level;
    const std::string out = dir / (std::string("out") + level);
    ASSERT_EQ(vddpack({"x", "-q", pack, out}).code, 0) << level;
    for (const char* name : {"text.txt", "runs.bin", "random.bin"}) {
      std::vector<uint8_t> original;
      std::vector<uint8_t> extracted;
      ASSERT_TRUE(packtest::readFile(dir / (std::string("in/") + name), original));
      ASSERT_TRUE(packtest::readFile(out + "/in/" + name, extracted)) << level << " " << name;
      EXPECT_TRUE(original == extracted) << level << " " << name;
    }
    const uintmax_t size = std::filesystem::file_size(pack);
    EXPECT_LE(size, previousSize) << level;
    previousSize = size;
  }
  EXPECT_EQ(vddpack({"a", "-m6", dir / "p.vdd", dir / "in"}).code, 2);
  EXPECT_EQ(vddpack({"x", "-m1", dir / "p-m1.vdd", dir / "o"}).code, 2);
}

TEST(VddpackCommand, AFailedEntryLeavesNoFileBehind) {
  packtest::ScratchDir dir;
  makeTree(dir);
  ASSERT_EQ(vddpack({"a", "-q", "-p", "falco31", dir / "p.vdd", dir / "src/data"}).code, 0);
  packtest::writeFile(dir / "out/data/scripts/demo.scr", {1, 2, 3});
  Outcome x = vddpack({"x", "-p", "wrong", dir / "p.vdd", dir / "out"});
  EXPECT_EQ(x.code, 1);
  std::vector<uint8_t> kept;
  ASSERT_TRUE(packtest::readFile(dir / "out/data/scripts/demo.scr", kept));
  EXPECT_EQ(kept, (std::vector<uint8_t>{1, 2, 3}));  // the existing file stays as it was
  EXPECT_FALSE(std::filesystem::exists(dir / "out/data/images/a.bin"));
  for (const auto& item : std::filesystem::recursive_directory_iterator(dir / "out")) {
    EXPECT_EQ(item.path().string().find(".vddpack-part"), std::string::npos) << item.path();
  }
}

}  // namespace
