#pragma once
// Test helper: assembles pack files (RAR 2.0 archives) block by block, including malformed ones.
// Header CRCs are left zero: the reader does not verify them.
#include <cstdint>
#include <string>
#include <vector>

class TestPackBuilder {
 public:
  struct Entry {
    std::string name;
    std::vector<uint8_t> packed;  // bytes after the header
    uint32_t unpackedSize = 0;
    uint32_t crc = 0;
    uint16_t flags = 0x8000;
    uint8_t version = 20;
    uint8_t method = 0x30;
    uint16_t extraHeaderBytes = 0;  // bytes after the name counted in the header size (a comment)
  };

  explicit TestPackBuilder(bool uniqueMarker = false, uint16_t archiveFlags = 0);

  // A stored file; with a password it is encrypted and its packed size rounded up to 16.
  void addStored(const std::string& name, const std::vector<uint8_t>& data, const char* password = nullptr,
                 uint16_t extraFlags = 0);
  void addEntry(const Entry& entry);
  // Any other block: header of 7 bytes plus extra header bytes, with a data size when data is given.
  void addBlock(uint8_t type, uint16_t flags, uint16_t extraHeaderBytes, const std::vector<uint8_t>& data = {});
  void addRawBytes(const std::vector<uint8_t>& bytes);

  const std::vector<uint8_t>& bytes() const { return _bytes; }

  static uint32_t crcOf(const std::vector<uint8_t>& data);

 private:
  void put16(uint16_t value);
  void put32(uint32_t value);
  std::vector<uint8_t> _bytes;
};
