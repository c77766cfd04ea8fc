// libFuzzer target: the pack reader on bytes in memory, without a password (list, extraction by
// name, extraction of everything).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "DataPack.h"

namespace {
// Entries above this size are not decoded: a forged header could otherwise ask for about 2000
// times the input's size.
constexpr uint32_t kMaxEntrySize = 128 * 1024 + 1024;

void touchLast(const uint8_t* data, uint32_t size) {
  if (data && size > 0) {
    volatile uint8_t last = data[size - 1];  // the whole buffer must be readable
    (void)last;
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* password = "";
  std::vector<DataPackEntry> entries;
  DataPack::listFromMemory(data, size, &entries);
  // By name: the last entry, which in a solid pack makes every earlier one decode on the way.
  if (!entries.empty()) {
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    if (DataPack::extractFromMemory(data, size, password, entries.back().name.c_str(), &bytes, &length,
                                    kMaxEntrySize)) {
      touchLast(bytes, length);
    }
    std::free(bytes);
  }
  DataPack::extractAllFromMemory(
      data, size, password,
      [](const DataPackEntry& entry, const uint8_t* bytes, bool) {
        touchLast(bytes, entry.unpackedSize);
        return true;
      },
      kMaxEntrySize);
  return 0;
}
