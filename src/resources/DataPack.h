#pragma once
// Extraction of files from the data pack "data.vdd", a RAR 2.0 archive with stored, compressed,
// solid and encrypted entries. No state is kept between calls: each call opens the pack, walks its
// headers from the start, decodes what it must and closes the pack again. Calls share nothing but a
// per-thread spare decoder window, so calls on different threads may run at once.
#include "DataPackEntry.h"

#include <cstdint>
#include <functional>
#include <vector>

class DataPack {
 public:
  // Extracts the entry whose name matches entryName (see namesMatch) from the pack packName,
  // decrypting with password (null or empty: no decryption). Returns 1 with *data (C heap, the
  // caller frees it with free(); never null on success, even for size 0) and *size; returns 0 with
  // *data null and *size 0 when the pack is missing or malformed, the entry is missing or needs a
  // version outside 13..20, its CRC-32 does not match (a wrong password ends here), or memory is
  // short. The call's copy of the password is wiped before it returns. The argument order fits
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
};
