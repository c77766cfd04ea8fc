#include "PackWriter.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "Rar20Cipher.h"
#include "Rar20NameCodec.h"

namespace {

const uint8_t kRarMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x00};
const uint8_t kUniqueMarker[7] = {'U', 'n', 'i', 'q', 'u', 'E', '!'};
constexpr uint8_t kTypeArchive = 0x73;
constexpr uint8_t kTypeFile = 0x74;
constexpr uint8_t kHostWin32 = 2;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr size_t kFileHeaderSize = 32;  // without the name

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

uint32_t crc32Of(const uint8_t* data, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes uInt lengths; feed large buffers in pieces.
  while (size > 0) {
    uInt piece = static_cast<uInt>(std::min<size_t>(size, 0x40000000));
    crc = crc32(crc, data, piece);
    data += piece;
    size -= piece;
  }
  return static_cast<uint32_t>(crc);
}

// Header CRC: low 16 bits of the CRC-32 of the header from its type byte on.
void sealHeader(std::vector<uint8_t>& header) {
  uint32_t crc = crc32Of(header.data() + 2, header.size() - 2);
  header[0] = static_cast<uint8_t>(crc);
  header[1] = static_cast<uint8_t>(crc >> 8);
}

}  // namespace

PackWriter::PackWriter(const Options& options) : _options(options), _encoder(options.encoder) {}

PackWriter::~PackWriter() { abandon(); }

bool PackWriter::begin(const std::string& path, std::string& error) {
  _path = path;
  _temporaryPath = path + ".tmp";
  _file = std::fopen(_temporaryPath.c_str(), "wb");
  if (!_file) {
    error = _temporaryPath + ": cannot create: " + std::strerror(errno);
    return false;
  }
  const uint8_t* marker = _options.uniqueMarker ? kUniqueMarker : kRarMarker;
  std::vector<uint8_t> header(marker, marker + 7);
  std::vector<uint8_t> archive;
  put16(archive, 0);
  archive.push_back(kTypeArchive);
  put16(archive, _options.solid ? kArchiveSolid : 0);
  put16(archive, 13);
  put16(archive, 0);
  put32(archive, 0);
  sealHeader(archive);
  header.insert(header.end(), archive.begin(), archive.end());
  return writeBytes(header, error);
}

bool PackWriter::add(const std::string& name, const std::vector<uint8_t>& data, uint32_t dosTime, EntryResult& result,
                     std::string& error) {
  if (!_file) {
    error = "archive not open";
    return false;
  }
  // A name outside ASCII is stored as UTF-8 followed by its encoded Unicode form.
  const bool unicode = !Rar20NameCodec::isAscii(name);
  const std::string field = unicode ? Rar20NameCodec::encode(name) : name;
  if (field.empty()) {
    error = name + ": entry name is not valid UTF-8";
    return false;
  }
  if (field.size() > 0xffff - kFileHeaderSize) {
    error = "entry name of " + std::to_string(name.size()) + " bytes does not fit a header";
    return false;
  }
  if (data.size() > Rar20Encoder::kMaxEntrySize) {
    error = name + ": " + std::to_string(data.size()) + " bytes; entries are limited to " +
            std::to_string(Rar20Encoder::kMaxEntrySize) + " bytes";
    return false;
  }
  bool encrypted = !_options.password.empty();
  uint16_t flags = kFlagHasData | kFlagDictionary1M | (unicode ? kFlagUnicodeName : 0);
  std::vector<uint8_t> packed;
  result = EntryResult();
  // Empty entries are stored: nothing to code, and they leave a solid stream untouched.
  if (data.empty()) {
    result.stored = true;
  } else {
    int channels = 0;
    if (_options.audio) {
      channels = _options.audioChannels > 0 ? _options.audioChannels
                                            : Rar20Encoder::chooseAudioChannels(data.data(), data.size());
    }
    bool continues = _options.solid && _encoder.hasState();
    packed = _encoder.encode(data.data(), data.size(), continues, channels, encrypted);
    if (continues) {
      flags |= kFlagSolid;
    }
    result.audioChannels = channels;
    if (!_options.solid && packed.size() >= data.size()) {
      packed.clear();
      result.stored = true;
      result.audioChannels = 0;
    }
  }
  if (result.stored) {
    packed = data;
  }
  if (encrypted) {
    flags |= kFlagEncrypted;
    // The cipher works on whole 16-byte blocks; readers drop the bytes past the unpacked size
    // (stored) or past the last symbol (compressed).
    packed.resize((packed.size() + Rar20Cipher::kBlockSize - 1) / Rar20Cipher::kBlockSize * Rar20Cipher::kBlockSize, 0);
    Rar20Cipher cipher;
    cipher.setPassword(_options.password.c_str());
    cipher.encrypt(packed.data(), packed.size());
  }
  if (packed.size() > 0xffffffffu) {
    error = name + ": packed data larger than a RAR 2.0 header can describe";
    return false;
  }
  std::vector<uint8_t> header;
  put16(header, 0);
  header.push_back(kTypeFile);
  put16(header, flags);
  put16(header, static_cast<uint32_t>(kFileHeaderSize + field.size()));
  put32(header, static_cast<uint32_t>(packed.size()));
  put32(header, static_cast<uint32_t>(data.size()));
  header.push_back(kHostWin32);
  put32(header, crc32Of(data.data(), data.size()));
  put32(header, dosTime);
  header.push_back(kVersion20);
  header.push_back(result.stored ? kMethodStored : kMethodNormal);
  put16(header, static_cast<uint32_t>(field.size()));
  put32(header, kAttributeArchive);
  header.insert(header.end(), field.begin(), field.end());
  sealHeader(header);
  result.packedSize = static_cast<uint32_t>(packed.size());
  return writeBytes(header, error) && writeBytes(packed, error);
}

bool PackWriter::finish(std::string& error) {
  if (!_file) {
    error = "archive not open";
    return false;
  }
  bool ok = std::fflush(_file) == 0;
  ok = (std::fclose(_file) == 0) && ok;
  _file = nullptr;
  if (!ok) {
    error = _temporaryPath + ": write failed: " + std::strerror(errno);
    std::remove(_temporaryPath.c_str());
    return false;
  }
  // std::filesystem::rename replaces an existing file on Windows too.
  std::error_code renamed;
  std::filesystem::rename(_temporaryPath, _path, renamed);
  if (renamed) {
    error = _path + ": cannot replace: " + renamed.message();
    std::remove(_temporaryPath.c_str());
    return false;
  }
  return true;
}

void PackWriter::abandon() {
  if (_file) {
    std::fclose(_file);
    _file = nullptr;
    std::remove(_temporaryPath.c_str());
  }
}

bool PackWriter::writeBytes(const std::vector<uint8_t>& bytes, std::string& error) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), _file) != bytes.size()) {
    error = _temporaryPath + ": write failed: " + std::strerror(errno);
    return false;
  }
  return true;
}
