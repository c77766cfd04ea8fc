#include "MissingFiles.h"

#include <algorithm>
#include <cstdio>

#include "MemoryFile.h"

namespace {
std::vector<std::string>& gNames() {
  static std::vector<std::string> names;
  return names;
}
}  // namespace

void MissingFiles::install() { setMissingFileHandler(onMissing); }

const std::vector<std::string>& MissingFiles::names() { return gNames(); }

void MissingFiles::clear() { gNames().clear(); }

void MissingFiles::onMissing(const char* name) {
  std::vector<std::string>& names = gNames();
  if (std::find(names.begin(), names.end(), name) != names.end()) return;
  names.push_back(name);
  std::fprintf(stderr, "rk17: missing file: %s (no --data folder holds it)\n", name);
  std::fflush(stderr);
}
