#include "PackArchive.h"

#include <zlib.h>

#include <cstring>

#include "PackedDataSource.h"
#include "Rar20NameCodec.h"

namespace {
constexpr size_t kMarkerSize = 7;
constexpr uint8_t kRarMarker[kMarkerSize] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint8_t kUniqueMarker[kMarkerSize] = {'U', 'n', 'i', 'q', 'u', 'E', '!'};

constexpr size_t kArchiveHeaderSize = 13;
constexpr size_t kBlockHeaderSize = 7;         // CRC, type, flags, header size
constexpr size_t kFileHeaderSize = 32;         // fixed part before the name
constexpr uint16_t kFlagDataFollows = 0x8000;  // a 32-bit data size follows the block header

constexpr uint8_t kTypeFile = 0x74;
constexpr uint8_t kTypeSubBlock = 0x77;

constexpr uint8_t kMinVersion = 13;
constexpr uint8_t kMaxVersion = 20;
constexpr uint8_t kCipherVersion = 20;  // older cipher versions are not decrypted
// Stored entries are read in portions of this many bytes: at least the file's read buffer, so
// that the reads go straight to the portion, and a multiple of the cipher block.
constexpr size_t kStoredPortionSize = 64 * 1024;

inline uint16_t load16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t load32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
}  // namespace

PackArchive::~PackArchive() = default;

bool PackArchive::open(const char* path) {
  if (_input.isOpen() || !_input.openFile(path)) return false;
  return readArchiveHeader();
}

bool PackArchive::openMemory(const uint8_t* bytes, size_t size) {
  if (_input.isOpen()) return false;
  _input.openMemory(bytes, size);
  return readArchiveHeader();
}

bool PackArchive::readArchiveHeader() {
  _fileSize = _input.size();
  uint8_t marker[kMarkerSize];
  if (!_input.readAt(0, marker, kMarkerSize)) return false;
  if (std::memcmp(marker, kRarMarker, kMarkerSize) != 0 && std::memcmp(marker, kUniqueMarker, kMarkerSize) != 0) {
    return false;
  }
  uint8_t header[kArchiveHeaderSize];
  if (!_input.readAt(kMarkerSize, header, kArchiveHeaderSize)) return false;
  _archiveFlags = load16(header + 3);
  uint16_t headerSize = load16(header + 5);
  // The rest of the header (an archive comment among others) is skipped; a size below the fixed
  // part cannot be skipped forward.
  if (headerSize < kArchiveHeaderSize) return false;
  _nextBlock = kMarkerSize + uint64_t(headerSize);
  if (_nextBlock > _fileSize) return false;
  _lastOtherType = header[2];
  return true;
}

PackArchive::Step PackArchive::nextEntry(DataPackEntry* entry) {
  if (!_input.isOpen()) return Step::Corrupt;
  for (;;) {
    const uint64_t start = _nextBlock;
    if (start == _fileSize) return Step::EndOfFile;

    uint8_t header[kFileHeaderSize];
    if (!_input.readAt(start, header, kBlockHeaderSize)) return Step::Corrupt;
    const uint8_t type = header[2];
    const uint16_t flags = load16(header + 3);
    const uint16_t headerSize = load16(header + 5);
    if (headerSize < kBlockHeaderSize) return Step::Corrupt;
    uint64_t dataSize = 0;
    if (flags & kFlagDataFollows) {
      if (headerSize < kBlockHeaderSize + 4) return Step::Corrupt;
      if (!_input.readAt(start + kBlockHeaderSize, header + kBlockHeaderSize, 4)) return Step::Corrupt;
      dataSize = load32(header + kBlockHeaderSize);
    }
    const uint64_t next = start + headerSize + dataSize;
    if (next > _fileSize) return Step::Corrupt;
    _nextBlock = next;

    if (type == kTypeSubBlock) {
      if (_lastOtherType == kTypeFile) return Step::SubBlock;
      continue;
    }
    _lastOtherType = type;
    if (type != kTypeFile) continue;

    if (headerSize < kFileHeaderSize) return Step::Corrupt;
    const size_t have = (flags & kFlagDataFollows) ? kBlockHeaderSize + 4 : kBlockHeaderSize;
    if (!_input.readAt(start + have, header + have, kFileHeaderSize - have)) return Step::Corrupt;
    const uint16_t nameSize = load16(header + 26);
    if (kFileHeaderSize + nameSize > headerSize) return Step::Corrupt;

    entry->flags = flags;
    entry->packedSize = load32(header + 7);
    entry->unpackedSize = load32(header + 11);
    entry->hostSystem = header[15];
    entry->fileCrc = load32(header + 16);
    entry->fileTime = load32(header + 20);
    entry->version = header[24];
    entry->method = header[25];
    entry->attributes = load32(header + 28);
    entry->dataOffset = start + headerSize;
    if (entry->dataOffset + entry->packedSize > _fileSize) return Step::Corrupt;

    // The whole field (a Unicode name follows the plain one); at most 65535 bytes, inside the
    // header, which lies inside the file.
    _nameField.resize(nameSize);
    if (!_input.readAt(start + kFileHeaderSize, _nameField.data(), nameSize)) return Step::Corrupt;
    const char* field = reinterpret_cast<const char*>(_nameField.data());
    const size_t kept = nameSize < DataPackEntry::kMaxNameLength ? nameSize : DataPackEntry::kMaxNameLength;
    entry->name.assign(field, kept > 0 ? strnlen(field, kept) : 0);
    if (flags & DataPackEntry::kFlagUnicodeName) {
      entry->utf8Name = Rar20NameCodec::decode(_nameField.data(), nameSize);
    } else {
      entry->utf8Name = entry->name;
    }
    return Step::Entry;
  }
}

bool PackArchive::decode(const DataPackEntry& entry, uint8_t* output, bool* crcMatches) {
  return decodeEntry(entry, output, nullptr, crcMatches);
}

bool PackArchive::decode(const DataPackEntry& entry, const Rar20Unpacker::Sink& sink, bool* crcMatches) {
  return decodeEntry(entry, nullptr, &sink, crcMatches);
}

bool PackArchive::decodeEntry(const DataPackEntry& entry, uint8_t* output, const Rar20Unpacker::Sink* sink,
                              bool* crcMatches) {
  if (crcMatches) *crcMatches = false;
  if (!_input.isOpen()) return false;
  if (entry.version < kMinVersion || entry.version > kMaxVersion) return false;
  const bool decrypt = _key && _key->hasPassword() && entry.isEncrypted() && entry.version == kCipherVersion;
  if (decrypt) _cipher = _key->cipher();
  if (!_input.seek(entry.dataOffset)) return false;
  PackedDataSource source(&_input, entry.packedSize, decrypt ? &_cipher : nullptr);

  // A sink sees the bytes once: their CRC is taken on the way through.
  uLong crc = crc32(0L, Z_NULL, 0);
  uint32_t produced = 0;
  Rar20Unpacker::Sink counting;
  if (sink) {
    counting = [&](const uint8_t* bytes, size_t size) {
      crc = crc32(crc, bytes, uInt(size));
      produced += uint32_t(size);
      (*sink)(bytes, size);
    };
  }
  const bool keep = output || sink;

  if (entry.isStored()) {
    // Stored bytes never touch the decoder state: an entry that only feeds a solid stream is
    // skipped. The packed data may hold more than the file (an encrypted entry's last block).
    uint32_t filled = 0;
    if (keep && _storedPortion.empty()) _storedPortion.resize(kStoredPortionSize);
    uint8_t* portion = _storedPortion.data();
    while (keep && filled < entry.unpackedSize) {
      int got = source.read(portion, int(_storedPortion.size()));
      if (got <= 0) break;
      uint32_t take = entry.unpackedSize - filled;
      if (uint32_t(got) < take) take = uint32_t(got);
      if (output) {
        std::memcpy(output + filled, portion, take);
      } else {
        counting(portion, take);
      }
      filled += take;
    }
  } else {
    if (!_unpacker.allocate()) return false;
    _unpacker.unpack(&source, entry.unpackedSize, entry.continuesSolid(), output, sink ? &counting : nullptr);
  }

  if (crcMatches && output) {
    *crcMatches = uint32_t(crc32(crc32(0L, Z_NULL, 0), output, uInt(entry.unpackedSize))) == entry.fileCrc;
  } else if (crcMatches && sink) {
    *crcMatches = produced == entry.unpackedSize && uint32_t(crc) == entry.fileCrc;
  }
  return true;
}
