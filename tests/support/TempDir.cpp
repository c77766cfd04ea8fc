#include "TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir(bool enter) {
  std::string pattern = (fs::temp_directory_path() / "rk17-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  _path = made ? made : pattern;
  if (enter) {
    _previousDir = fs::current_path().string();
    fs::current_path(_path);
  }
}

TempDir::~TempDir() {
  if (!_previousDir.empty()) fs::current_path(_previousDir);
  std::error_code ignored;
  fs::remove_all(_path, ignored);
}

std::string TempDir::write(const std::string& relativePath, const std::string& contents) const {
  const fs::path full = fs::path(_path) / relativePath;
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out << contents;
  return full.string();
}

std::string TempDir::read(const std::string& relativePath) const {
  std::ifstream in(fs::path(_path) / relativePath, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}
