#include "TestPackBuilder.h"

#include <zlib.h>

#include "Rar20Cipher.h"

TestPackBuilder::TestPackBuilder(bool uniqueMarker, uint16_t archiveFlags) {
  static const uint8_t kRar[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
  static const uint8_t kUnique[7] = {'U', 'n', 'i', 'q', 'u', 'E', '!'};
  const uint8_t* marker = uniqueMarker ? kUnique : kRar;
  _bytes.assign(marker, marker + 7);
  put16(0);
  _bytes.push_back(0x73);
  put16(archiveFlags);
  put16(13);
  put16(0);
  put32(0);
}

void TestPackBuilder::put16(uint16_t value) {
  _bytes.push_back(uint8_t(value));
  _bytes.push_back(uint8_t(value >> 8));
}

void TestPackBuilder::put32(uint32_t value) {
  put16(uint16_t(value));
  put16(uint16_t(value >> 16));
}

uint32_t TestPackBuilder::crcOf(const std::vector<uint8_t>& data) {
  return uint32_t(crc32(crc32(0L, Z_NULL, 0), data.data(), uInt(data.size())));
}

void TestPackBuilder::addStored(const std::string& name, const std::vector<uint8_t>& data, const char* password,
                                uint16_t extraFlags) {
  Entry entry;
  entry.name = name;
  entry.packed = data;
  entry.unpackedSize = uint32_t(data.size());
  entry.crc = crcOf(data);
  entry.flags = uint16_t(0x8000 | extraFlags);
  if (password) {
    entry.flags |= 0x0004;
    entry.packed.resize((data.size() + 15) / 16 * 16, 0);
    Rar20Cipher cipher;
    cipher.setPassword(password);
    cipher.encrypt(entry.packed.data(), entry.packed.size());
  }
  addEntry(entry);
}

void TestPackBuilder::addEntry(const Entry& entry) {
  put16(0);
  _bytes.push_back(0x74);
  put16(entry.flags);
  put16(uint16_t(32 + entry.name.size() + entry.extraHeaderBytes));
  put32(uint32_t(entry.packed.size()));
  put32(entry.unpackedSize);
  _bytes.push_back(0);  // host system
  put32(entry.crc);
  put32(0);  // time
  _bytes.push_back(entry.version);
  _bytes.push_back(entry.method);
  put16(uint16_t(entry.name.size()));
  put32(0x20);
  _bytes.insert(_bytes.end(), entry.name.begin(), entry.name.end());
  _bytes.resize(_bytes.size() + entry.extraHeaderBytes, 0);
  _bytes.insert(_bytes.end(), entry.packed.begin(), entry.packed.end());
}

void TestPackBuilder::addBlock(uint8_t type, uint16_t flags, uint16_t extraHeaderBytes,
                               const std::vector<uint8_t>& data) {
  const bool hasData = !data.empty() || (flags & 0x8000);
  put16(0);
  _bytes.push_back(type);
  put16(uint16_t(flags | (hasData ? 0x8000 : 0)));
  put16(uint16_t(7 + (hasData ? 4 : 0) + extraHeaderBytes));
  if (hasData) put32(uint32_t(data.size()));
  _bytes.resize(_bytes.size() + extraHeaderBytes, 0);
  _bytes.insert(_bytes.end(), data.begin(), data.end());
}

void TestPackBuilder::addRawBytes(const std::vector<uint8_t>& bytes) {
  _bytes.insert(_bytes.end(), bytes.begin(), bytes.end());
}
