#include "DataPack.h"

#include <cstdlib>
#include <cstring>

#include "PackArchive.h"

namespace {
constexpr size_t kMaxMatchedName = 511;  // characters of each name compared
char normalised(char c) {
  if (c == '/' || c == '\\') return '_';
  if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
  return c;
}

// Whether the entry's unpacked size can come out of its packed size: a stored entry holds its
// bytes, and a compressed one yields at most 260 bytes (the longest match) per bit of input, plus
// one symbol read at the end. Keeps a forged header from claiming an allocation the file cannot
// fill.
bool sizeIsPossible(const DataPackEntry& entry) {
  if (entry.isStored()) return entry.unpackedSize <= entry.packedSize;
  return uint64_t(entry.unpackedSize) <= (uint64_t(entry.packedSize) * 8 + 1) * 260;
}

// Output buffer for an entry: zeroed (a short decode leaves defined bytes), one byte at least so
// that a file of size 0 still has an address.
uint8_t* allocateOutput(uint32_t size) { return static_cast<uint8_t*>(std::calloc(size > 0 ? size : 1, 1)); }
}  // namespace

bool DataPack::namesMatch(const char* requested, const char* stored) {
  if (!requested || !stored) return false;
  for (size_t i = 0; i < kMaxMatchedName; ++i) {
    char a = normalised(requested[i]);
    char b = normalised(stored[i]);
    if (a != b) return false;
    if (a == '\0') return true;
  }
  return true;
}

namespace {
int extractFrom(PackArchive& archive, const PackKey& key, const char* entryName, uint8_t** data, uint32_t* size,
                uint32_t maxEntrySize) {
  archive.setKey(&key);
  DataPackEntry entry;
  for (;;) {
    if (archive.nextEntry(&entry) != PackArchive::Step::Entry) return 0;
    const bool found = DataPack::namesMatch(entryName, entry.name.c_str());
    if (!found && !archive.isSolid()) continue;
    if (entry.unpackedSize > maxEntrySize) return 0;

    uint8_t* output = nullptr;
    if (found) {
      if (!sizeIsPossible(entry)) return 0;
      output = allocateOutput(entry.unpackedSize);
      if (!output) return 0;
    }
    bool crcMatches = false;
    if (!archive.decode(entry, output, &crcMatches)) {
      std::free(output);
      return 0;
    }
    if (!found) continue;
    if (!crcMatches) {
      std::free(output);
      return 0;
    }
    *data = output;
    *size = entry.unpackedSize;
    return 1;
  }
}

// What a walk over the entries does after one entry.
enum class Walk { Next, Done, Failed };

// Calls visit(entry) for each file entry of the archive in order (sub-blocks skipped) until it
// says Done or Failed. True at the end of the archive or on Done; false on a corrupt header or
// on Failed.
template <typename Visit>
bool walkEntries(PackArchive& archive, Visit visit) {
  DataPackEntry entry;
  for (;;) {
    switch (archive.nextEntry(&entry)) {
      case PackArchive::Step::Entry:
        break;
      case PackArchive::Step::SubBlock:
        continue;
      case PackArchive::Step::EndOfFile:
        return true;
      case PackArchive::Step::Corrupt:
        return false;
    }
    const Walk next = visit(entry);
    if (next != Walk::Next) return next == Walk::Done;
  }
}

bool listFrom(PackArchive& archive, std::vector<DataPackEntry>* entries) {
  return walkEntries(archive, [&](const DataPackEntry& entry) {
    entries->push_back(entry);
    return Walk::Next;
  });
}

bool extractAllFrom(PackArchive& archive, const PackKey& key, const DataPack::EntryVisitor& visitor,
                    uint32_t maxEntrySize) {
  archive.setKey(&key);
  return walkEntries(archive, [&](const DataPackEntry& entry) {
    uint8_t* output = nullptr;
    bool crcMatches = false;
    bool decoded = false;
    if (sizeIsPossible(entry) && entry.unpackedSize <= maxEntrySize) {
      output = allocateOutput(entry.unpackedSize);
      if (!output) return Walk::Failed;
      decoded = archive.decode(entry, output, &crcMatches);
    }
    bool goOn = visitor ? visitor(entry, decoded ? output : nullptr, decoded && crcMatches) : true;
    std::free(output);
    return goOn ? Walk::Next : Walk::Done;
  });
}
}  // namespace

int DataPack::extract(const char* packName, const char* password, const char* entryName, uint8_t** data,
                      uint32_t* size) {
  const PackKey key(password);
  if (data) *data = nullptr;
  if (size) *size = 0;
  if (!packName || !entryName || !data || !size) return 0;
  PackArchive archive;
  if (!archive.open(packName)) return 0;
  return extractFrom(archive, key, entryName, data, size, UINT32_MAX);
}

int DataPack::extractFromMemory(const uint8_t* pack, size_t packSize, const char* password, const char* entryName,
                                uint8_t** data, uint32_t* size, uint32_t maxEntrySize) {
  const PackKey key(password);
  return extractFromMemory(pack, packSize, key, entryName, data, size, maxEntrySize);
}

int DataPack::extractFromMemory(const uint8_t* pack, size_t packSize, const PackKey& key, const char* entryName,
                                uint8_t** data, uint32_t* size, uint32_t maxEntrySize) {
  if (data) *data = nullptr;
  if (size) *size = 0;
  if (!entryName || !data || !size) return 0;
  PackArchive archive;
  if (!archive.openMemory(pack, packSize)) return 0;
  return extractFrom(archive, key, entryName, data, size, maxEntrySize);
}

bool DataPack::list(const char* packName, std::vector<DataPackEntry>* entries) {
  if (!entries) return false;
  PackArchive archive;
  if (!archive.open(packName)) return false;
  return listFrom(archive, entries);
}

bool DataPack::listFromMemory(const uint8_t* pack, size_t packSize, std::vector<DataPackEntry>* entries) {
  if (!entries) return false;
  PackArchive archive;
  if (!archive.openMemory(pack, packSize)) return false;
  return listFrom(archive, entries);
}

bool DataPack::extractAll(const char* packName, const char* password, const EntryVisitor& visitor) {
  const PackKey key(password);
  PackArchive archive;
  if (!archive.open(packName)) return false;
  return extractAllFrom(archive, key, visitor, UINT32_MAX);
}

bool DataPack::extractAllFromMemory(const uint8_t* pack, size_t packSize, const char* password,
                                    const EntryVisitor& visitor, uint32_t maxEntrySize) {
  const PackKey key(password);
  return extractAllFromMemory(pack, packSize, key, visitor, maxEntrySize);
}

bool DataPack::extractAllFromMemory(const uint8_t* pack, size_t packSize, const PackKey& key,
                                    const EntryVisitor& visitor, uint32_t maxEntrySize) {
  PackArchive archive;
  if (!archive.openMemory(pack, packSize)) return false;
  return extractAllFrom(archive, key, visitor, maxEntrySize);
}

bool DataPack::extractAllStreaming(const char* packName, const char* password, const EntryStream& stream) {
  const PackKey key(password);
  PackArchive archive;
  if (!archive.open(packName)) return false;
  archive.setKey(&key);
  return walkEntries(archive, [&](const DataPackEntry& entry) {
    const bool wanted = stream.begin ? stream.begin(entry) : true;
    bool crcMatches = false;
    bool decoded = false;
    if (sizeIsPossible(entry)) {
      if (wanted && stream.write) {
        decoded = archive.decode(entry, stream.write, &crcMatches);
      } else if (archive.isSolid()) {
        decoded = archive.decode(entry, static_cast<uint8_t*>(nullptr), &crcMatches);
      }
    }
    if (!wanted) return Walk::Next;
    return stream.end && !stream.end(entry, decoded && crcMatches) ? Walk::Done : Walk::Next;
  });
}
