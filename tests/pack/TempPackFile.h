#pragma once
// Test helper: a pack written to a uniquely named file, removed again when the object goes out of
// scope. Uses /dev/shm when present: loops rewrite the file thousands of times, and truncating files
// on a disk mounted with discard costs milliseconds each.
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
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm", error)
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
    _path = (folder / ("rk17-pack-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".vdd")).string();
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
