// libFuzzer target for the pack reader: each input is written to a file in /dev/shm and read
// through the public interface the program and the pack tool use (list, extract by name with and
// without a password, extract everything). Built and run by run-fuzzer.sh next to this file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DataPack.h"

namespace {
std::string inputPath() {
  static const std::string path = "/dev/shm/rk17-pack-fuzz-" + std::to_string(getpid()) + ".vdd";
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string path = inputPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  if (size > 0) std::fwrite(bytes, 1, size, file);
  std::fclose(file);

  std::vector<DataPackEntry> entries;
  DataPack::list(path.c_str(), &entries);
  size_t asked = 0;
  for (const DataPackEntry& entry : entries) {
    if (++asked > 4) break;
    for (const char* password : {"", "password"}) {
      uint8_t* data = nullptr;
      uint32_t dataSize = 0;
      if (DataPack::extract(path.c_str(), password, entry.name.c_str(), &data, &dataSize) == 1 && dataSize > 0) {
        volatile uint8_t last = data[dataSize - 1];  // the whole buffer must be readable
        (void)last;
      }
      std::free(data);
    }
  }
  DataPack::extractAll(path.c_str(), "password", [](const DataPackEntry& entry, const uint8_t* data, bool) {
    if (data && entry.unpackedSize > 0) {
      volatile uint8_t last = data[entry.unpackedSize - 1];
      (void)last;
    }
    return true;
  });
  return 0;
}
