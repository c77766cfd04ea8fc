#include "MemoryFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
// A file with the given bytes in a fresh temporary folder, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    char dir[] = "/tmp/rk17_memfile_XXXXXX";
    _dir = mkdtemp(dir) ? dir : "/tmp";
    _path = _dir + "/file.bin";
    std::FILE* f = std::fopen(_path.c_str(), "wb");
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  }
  ~TempFile() {
    std::remove(_path.c_str());
    rmdir(_dir.c_str());
  }
  const char* path() const { return _path.c_str(); }

 private:
  std::string _dir;
  std::string _path;
};
}  // namespace

TEST(MemoryFile, OpenReadsWholeFileAtPositionZero) {
  TempFile file("abcdefghij");
  MemoryFile* mf = openFile(file.path(), nullptr);
  ASSERT_NE(mf, nullptr);
  EXPECT_TRUE(mf->isValid());
  EXPECT_EQ(mf->size(), 10u);
  EXPECT_EQ(tellFile(mf), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(mf->data()), 10), "abcdefghij");
  EXPECT_EQ(closeFile(mf), 0);
}

TEST(MemoryFile, MissingFileReturnsNullAndEmbeddedIsInvalid) {
  EXPECT_EQ(openFile("/nonexistent/rk17/none.bin", nullptr), nullptr);
  MemoryFile embedded("/nonexistent/rk17/none.bin");
  EXPECT_FALSE(embedded.isValid());
  EXPECT_EQ(embedded.data(), nullptr);
  EXPECT_EQ(closeFile(nullptr), 0);
}

TEST(MemoryFile, EmptyFileIsValidWithSizeZero) {
  TempFile file("");
  MemoryFile embedded(file.path());
  EXPECT_TRUE(embedded.isValid());
  EXPECT_EQ(embedded.size(), 0u);
  char c = 0;
  EXPECT_EQ(readFile(&c, 1, 1, &embedded), 0u);
}

TEST(MemoryFile, ReadCopiesWholeElementsOnly) {
  TempFile file("0123456789");
  MemoryFile mf(file.path());
  ASSERT_TRUE(mf.isValid());
  char buf[16] = {};
  // Three elements of 3 bytes fit in 10 bytes; the fourth would pass the end.
  EXPECT_EQ(readFile(buf, 3, 4, &mf), 3u);
  EXPECT_EQ(std::string(buf, 9), "012345678");
  EXPECT_EQ(tellFile(&mf), 9u);
  // An element larger than the rest reads nothing and leaves the position.
  EXPECT_EQ(readFile(buf, 2, 1, &mf), 0u);
  EXPECT_EQ(tellFile(&mf), 9u);
  EXPECT_EQ(readFile(buf, 1, 5, &mf), 1u);
  EXPECT_EQ(buf[0], '9');
}

struct SeekCase {
  int32_t offset;
  int origin;
  uint32_t startPosition;
  uint32_t expectedPosition;
  size_t expectedRead;  // bytes a following 1-byte-element read of 4 returns
};

TEST(MemoryFile, SeekOriginsAndUnclampedPosition) {
  const SeekCase cases[] = {
      {3, 0, 0, 3, 4},             // absolute
      {2, 1, 5, 7, 3},             // relative
      {0, 2, 0, 10, 0},            // at the size: nothing more to read
      {-4, 2, 0, 6, 4},            // from the end
      {5, 2, 0, 15, 0},            // past the end is kept, reads nothing
      {-1, 0, 0, 0xFFFFFFFFu, 0},  // before the start wraps and reads nothing
      {7, 3, 2, 2, 4},             // unknown origin: no change
  };
  TempFile file("0123456789");
  for (const SeekCase& c : cases) {
    MemoryFile mf(file.path());
    ASSERT_TRUE(mf.isValid());
    seekFile(&mf, static_cast<int32_t>(c.startPosition), 0);
    EXPECT_EQ(seekFile(&mf, c.offset, c.origin), 0);
    EXPECT_EQ(tellFile(&mf), c.expectedPosition) << "offset " << c.offset << " origin " << c.origin;
    char buf[4];
    EXPECT_EQ(readFile(buf, 1, 4, &mf), c.expectedRead) << "offset " << c.offset << " origin " << c.origin;
  }
}

TEST(MemoryFile, HugeElementSizeDoesNotWrap) {
  TempFile file("0123456789");
  MemoryFile mf(file.path());
  seekFile(&mf, 4, 0);
  char buf[4];
  EXPECT_EQ(readFile(buf, static_cast<size_t>(-2), 1, &mf), 0u);
}

TEST(MemoryFile, ReleaseAndReopenEmbedded) {
  TempFile file("xyz");
  MemoryFile mf(file.path());
  ASSERT_TRUE(mf.isValid());
  releaseFile(&mf);
  EXPECT_FALSE(mf.isValid());
  EXPECT_EQ(mf.data(), nullptr);
  EXPECT_EQ(openFile(file.path(), &mf), &mf);
  EXPECT_TRUE(mf.isValid());
  EXPECT_EQ(mf.size(), 3u);
  // closeFile on an embedded memory file releases it instead of deleting a member.
  EXPECT_EQ(closeFile(&mf), 0);
  EXPECT_FALSE(mf.isValid());
}

// The show never leaves pack mode; these run in a child process.
TEST(MemoryFileDeathTest, PackModeIgnoresDiskFiles) {
  TempFile file("disk only");
  EXPECT_EXIT(
      {
        setDataPack("data.vdd", "pw");
        std::exit(openFile(file.path(), nullptr) == nullptr && isPackMode() ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "filename: .*file.bin\ndata size: 0, ptr: 0, retVal: 0");
}

namespace {
int fakeExtract(const char* pack, const char* password, const char* entry, uint8_t** data, uint32_t* size) {
  if (std::string(pack) != "data.vdd" || std::string(password) != "pw" || std::string(entry) != "a.txt") return 4;
  *data = static_cast<uint8_t*>(std::malloc(2));
  (*data)[0] = 'o';
  (*data)[1] = 'k';
  *size = 2;
  return 1;
}
}  // namespace

TEST(MemoryFileDeathTest, PackModeUsesTheInstalledExtractor) {
  EXPECT_EXIT(
      {
        setPackExtractor(fakeExtract);
        setDataPack("data.vdd", "pw");
        MemoryFile* mf = openFile("a.txt", nullptr);
        const bool ok = mf && mf->size() == 2 && mf->data()[1] == 'k';
        closeFile(mf);
        const bool missing = openFile("b.txt", nullptr) == nullptr;
        std::exit(ok && missing ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "filename: b.txt\ndata size: 0, ptr: 0, retVal: 4");
}

// Tests that start the show's pack mode switch back afterwards: disk files read again and the
// pack's name is forgotten (in a child process, so a failure cannot leave this one in pack mode).
TEST(MemoryFileDeathTest, LeavingPackModeReadsFromDiskAgain) {
  TempFile file("disk again");
  EXPECT_EXIT(
      {
        setPackExtractor(fakeExtract);
        setDataPack("data.vdd", "pw");
        const bool fromPack = openFile(file.path(), nullptr) == nullptr;
        leavePackMode();
        MemoryFile* mf = openFile(file.path(), nullptr);
        const bool fromDisk = !isPackMode() && mf && mf->size() == 10 && mf->data()[0] == 'd';
        closeFile(mf);
        const bool noEntry = openFile("a.txt", nullptr) == nullptr;  // the pack's entry, not on disk
        std::exit(fromPack && fromDisk && noEntry ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}
