// libFuzzer target: the pack reader on bytes in memory with the password "password" (list, then
// extraction of everything, decrypting; extraction by name takes the same decoding path and is
// left to the target without a password). The password's key is set up once for the whole run:
// every input pays only for what its bytes ask.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "DataPack.h"
#include "PackKey.h"

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
  static const PackKey key("password");
  std::vector<DataPackEntry> entries;
  DataPack::listFromMemory(data, size, &entries);
  DataPack::extractAllFromMemory(
      data, size, key,
      [](const DataPackEntry& entry, const uint8_t* bytes, bool) {
        touchLast(bytes, entry.unpackedSize);
        return true;
      },
      kMaxEntrySize);
  return 0;
}
