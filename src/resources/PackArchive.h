#pragma once
// Sequential reader of a data pack (a RAR 2.0 archive): checks the marker, walks the blocks from
// the start of the file and decodes the entries it is asked to, one after the other. Every size
// read from the file is checked against the file's length before it is used.
#include <cstdint>
#include <vector>

#include "DataPackEntry.h"
#include "PackInput.h"
#include "PackKey.h"
#include "Rar20Cipher.h"
#include "Rar20Unpacker.h"

class PackArchive {
 public:
  enum class Step {
    Entry,      // a file header was read
    EndOfFile,  // the file ends exactly at a block boundary
    SubBlock,   // a sub-block (0x77) follows a file header: the walk ends here
    Corrupt,    // a truncated block, a header size below its minimum, or a size beyond the file
  };

  PackArchive() = default;
  ~PackArchive();
  PackArchive(const PackArchive&) = delete;
  PackArchive& operator=(const PackArchive&) = delete;

  // Opens path, checks the marker ("Rar!\x1A\x07\x00" or "UniquE!") and reads the archive header.
  // False when the file does not open or is not a pack.
  bool open(const char* path);
  // The same for a pack held in memory (size bytes at bytes, kept alive by the caller while the
  // archive is in use).
  bool openMemory(const uint8_t* bytes, size_t size);
  bool isSolid() const { return (_archiveFlags & 0x0008) != 0; }

  // Reads the next file header into *entry, skipping other blocks by their sizes.
  Step nextEntry(DataPackEntry* entry);

  // The key for the entries decoded from now on (null or one without a password: no decryption),
  // kept alive by the caller while the archive is in use. Every encrypted entry restarts from it.
  void setKey(const PackKey* key) { _key = key; }

  // Decodes the entry last returned by nextEntry. output null: the bytes only feed the solid
  // stream; otherwise output holds entry.unpackedSize bytes and *crcMatches tells whether their
  // CRC-32 equals the file CRC. Encrypted entries that need version 20 are decrypted when a
  // password is set. False when the entry cannot be decoded: version outside 13..20, no memory,
  // unreadable data.
  bool decode(const DataPackEntry& entry, uint8_t* output, bool* crcMatches);
  // The same, handing the bytes to sink in pieces as they decode (at most the decoder window's
  // size each, entry.unpackedSize bytes at most in all) instead of filling a buffer.
  bool decode(const DataPackEntry& entry, const Rar20Unpacker::Sink& sink, bool* crcMatches);

 private:
  bool readArchiveHeader();
  bool decodeEntry(const DataPackEntry& entry, uint8_t* output, const Rar20Unpacker::Sink* sink, bool* crcMatches);

  PackInput _input;
  uint64_t _fileSize = 0;   // bytes
  uint64_t _nextBlock = 0;  // offset of the next block header
  uint16_t _archiveFlags = 0;
  uint8_t _lastOtherType = 0;  // type of the last block that was not a sub-block
  const PackKey* _key = nullptr;
  Rar20Cipher _cipher;  // state while decrypting the current entry
  Rar20Unpacker _unpacker;
  std::vector<uint8_t> _nameField;      // the last file header's name field
  std::vector<uint8_t> _storedPortion;  // bytes of a stored entry on their way out
};
