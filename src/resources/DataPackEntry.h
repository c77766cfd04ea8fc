#pragma once
// One file header of a data pack, as read from the pack (what `vddpack l` lists).
#include <cstdint>
#include <string>

struct DataPackEntry {
  static constexpr uint16_t kFlagEncrypted = 0x0004;
  static constexpr uint16_t kFlagSolid = 0x0010;          // continues the previous entry's decoder state
  static constexpr uint16_t kFlagDirectoryMask = 0x00E0;  // all three bits set: a directory
  static constexpr uint16_t kFlagUnicodeName = 0x0200;    // a second, encoded name follows a zero byte
  static constexpr uint8_t kMethodStored = 0x30;
  static constexpr size_t kMaxNameLength = 259;  // longer stored names are cut to this many bytes

  // Name as stored, cut to kMaxNameLength bytes and at the first zero byte; paths use backslashes.
  std::string name;
  // The name in UTF-8 as archivers show it: the decoded Unicode name when kFlagUnicodeName is set,
  // otherwise the same as name. The program's lookups use name.
  std::string utf8Name;
  uint16_t flags = 0;
  uint32_t packedSize = 0;    // bytes of packed data after the header
  uint32_t unpackedSize = 0;  // bytes of the file
  uint32_t fileCrc = 0;       // CRC-32 of the unpacked bytes
  uint32_t fileTime = 0;      // DOS date and time
  uint32_t attributes = 0;    // host-system attributes
  uint8_t hostSystem = 0;
  uint8_t version = 0;      // version needed to extract (13..20 readable)
  uint8_t method = 0;       // 0x30 stored, other values compressed
  uint64_t dataOffset = 0;  // offset of the packed data in the pack file

  bool isEncrypted() const { return (flags & kFlagEncrypted) != 0; }
  bool continuesSolid() const { return (flags & kFlagSolid) != 0; }
  bool isDirectory() const { return (flags & kFlagDirectoryMask) == kFlagDirectoryMask; }
  bool isStored() const { return method == kMethodStored; }
};
