#pragma once
// Extraction of files from the data pack "data.vdd", a RAR 2.0 archive with stored, compressed,
// solid and encrypted entries. No state is kept between calls: each call opens the pack, walks its
// headers from the start, decodes what it must and closes the pack again. Calls share nothing but a
// per-thread spare decoder window, so calls on different threads may run at once.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "DataPackEntry.h"
#include "PackKey.h"

class DataPack {
 public:
  // Extracts the entry whose name matches entryName (see namesMatch) from the pack packName,
  // decrypting with password (null or empty: no decryption). Returns 1 with *data (C heap, the
  // caller frees it with free(); never null on success, even for size 0) and *size; returns 0 with
  // *data null and *size 0 when the pack is missing or malformed, the entry is missing or needs a
  // version outside 13..20, its CRC-32 does not match (a wrong password ends here), or memory is
  // short. The key derived from the password is wiped before the call returns. The argument order fits
  // MemoryFile's PackExtractor.
  static int extract(const char* packName, const char* password, const char* entryName, uint8_t** data, uint32_t* size);

  // Names match when, cut to 511 characters, with every slash and backslash replaced by an
  // underscore and upper-cased, they are equal.
  static bool namesMatch(const char* requested, const char* stored);

  // Appends every file header of the pack to *entries (directories included), skipping
  // sub-blocks. False when the pack does not open or a block is truncated or malformed; the entries
  // read up to that point are kept.
  static bool list(const char* packName, std::vector<DataPackEntry>* entries);

  // Called once per entry in pack order with its bytes (entry.unpackedSize of them; null when the
  // entry could not be decoded) and whether their CRC-32 matched. The bytes are valid only during
  // the call. Return false to stop.
  using EntryVisitor = std::function<bool(const DataPackEntry& entry, const uint8_t* data, bool crcMatches)>;
  // Decodes every entry in one pass (a solid stream is decoded once) and hands each to visitor.
  // False when the pack does not open, a block is malformed or memory is short; true otherwise,
  // also when some entries failed their checksum (the visitor saw those).
  static bool extractAll(const char* packName, const char* password, const EntryVisitor& visitor);

  // extractAll with bounded memory: each entry's bytes go to write in pieces (at most 1 MiB each)
  // as they decode, between begin and end. begin returning false skips the entry (its bytes still
  // feed a solid stream); end gets whether the entry decoded completely with a matching CRC-32 and
  // returns false to stop. Entries whose sizes the pack cannot hold are not decoded (end sees
  // false). Same result as extractAll.
  struct EntryStream {
    std::function<bool(const DataPackEntry& entry)> begin;
    std::function<void(const uint8_t* bytes, size_t size)> write;
    std::function<bool(const DataPackEntry& entry, bool complete)> end;
  };
  static bool extractAllStreaming(const char* packName, const char* password, const EntryStream& stream);

  // The same operations on a pack held in memory (packSize bytes at pack). Entries larger than
  // maxEntrySize bytes are treated as undecodable (extract fails, the visitor gets null), which
  // bounds the work a forged header can ask for.
  static int extractFromMemory(const uint8_t* pack, size_t packSize, const char* password, const char* entryName,
                               uint8_t** data, uint32_t* size, uint32_t maxEntrySize = UINT32_MAX);
  static bool listFromMemory(const uint8_t* pack, size_t packSize, std::vector<DataPackEntry>* entries);
  static bool extractAllFromMemory(const uint8_t* pack, size_t packSize, const char* password,
                                   const EntryVisitor& visitor, uint32_t maxEntrySize = UINT32_MAX);
  // The same with a key built once for many calls (PackKey): the password's key set-up is left out.
  static int extractFromMemory(const uint8_t* pack, size_t packSize, const PackKey& key, const char* entryName,
                               uint8_t** data, uint32_t* size, uint32_t maxEntrySize = UINT32_MAX);
  static bool extractAllFromMemory(const uint8_t* pack, size_t packSize, const PackKey& key,
                                   const EntryVisitor& visitor, uint32_t maxEntrySize = UINT32_MAX);
};
