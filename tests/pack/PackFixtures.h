#pragma once
// Test helper: the archives made by other tools in ../shared/rar20, with the entries each holds and
// the bytes those entries extract to.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct PackFixture {
  std::string archive;  // path of the archive
  std::string password;
  std::vector<std::string> entries;            // names to ask for
  std::vector<std::vector<uint8_t>> expected;  // their bytes, in the same order

  static std::vector<uint8_t> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static std::vector<PackFixture> all() {
    const std::string root = std::string(RK17_SHARED_DIR) + "/rar20/";
    struct Row {
      const char* stem;
      const char* password;
      std::vector<std::pair<const char*, const char*>> entries;  // name in pack, file under expected/
    };
    const std::vector<Row> rows = {
        {"koni-rar250-m3-lz-prose", "", {{"PROSE.TXT", "PROSE.TXT"}}},
        {"koni-rar250-m3-lz-repeat", "", {{"REPEAT.TXT", "REPEAT.TXT"}}},
        {"koni-rar250-m3-solid-2files", "", {{"PROSE.TXT", "PROSE.TXT"}, {"REPEAT.TXT", "REPEAT.TXT"}}},
        {"koni-rar250-m5-mm-audio4ch", "", {{"AUDS.RAW", "AUDS.RAW"}}},
        {"rarfile-rar2-m3-unix-owner-subblock-recovery", "", {{"file.txt", "file.txt"}}},
        {"rarfile-rar202-m3-encrypted-comments-pw-password",
         "password",
         {{"FILE1.TXT", "FILE1.TXT"}, {"FILE2.TXT", "FILE2.TXT"}}},
        {"rarfile-rar202-stored-comments", "", {{"FILE1.TXT", "FILE1.TXT"}, {"FILE2.TXT", "FILE2.TXT"}}},
        {"sharpcompress-rar2-m5-dirs-unicode",
         "",
         {{"exe\\test.exe", "exe/test.exe"},
          {"jpg\\test.jpg", "jpg/test.jpg"},
          {"????.txt", "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.txt"}}},
    };
    std::vector<PackFixture> fixtures;
    for (const Row& row : rows) {
      PackFixture f;
      f.archive = root + "archives/" + row.stem + ".rar";
      f.password = row.password;
      for (const auto& entry : row.entries) {
        f.entries.push_back(entry.first);
        f.expected.push_back(readWhole(root + "expected/" + row.stem + "/" + entry.second));
      }
      fixtures.push_back(f);
    }
    return fixtures;
  }
};
