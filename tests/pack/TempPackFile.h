#pragma once
// Test helper: a pack written to a uniquely named file in the temporary folder, removed again when
// the object goes out of scope.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class TempPackFile {
 public:
  explicit TempPackFile(const std::vector<uint8_t>& bytes) {
    static int counter = 0;
    _path = (std::filesystem::temp_directory_path() /
             ("rk17-pack-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".vdd"))
                .string();
    rewrite(bytes);
  }
  ~TempPackFile() { std::remove(_path.c_str()); }
  TempPackFile(const TempPackFile&) = delete;
  TempPackFile& operator=(const TempPackFile&) = delete;

  // Replaces the file's contents (reused by loops over many variants of a pack).
  void rewrite(const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(_path.c_str(), "wb");
    if (!file) return;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  const char* path() const { return _path.c_str(); }

 private:
  std::string _path;
};
