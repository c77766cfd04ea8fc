// libFuzzer target: the pack reader on bytes in memory with the password "password" (list, then
// extraction of everything, decrypting). Extraction by name is left to the target without a
// password: each call runs the cipher's key set-up again, which would dominate the run time.
#include <cstddef>
#include <cstdint>
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
  std::vector<DataPackEntry> entries;
  DataPack::listFromMemory(data, size, &entries);
  DataPack::extractAllFromMemory(
      data, size, "password",
      [](const DataPackEntry& entry, const uint8_t* bytes, bool) {
        touchLast(bytes, entry.unpackedSize);
        return true;
      },
      kMaxEntrySize);
  return 0;
}
