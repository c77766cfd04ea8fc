#include "MemoryFile.h"

#include "Dialog.h"
#include "PackDiagnosis.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {
// Program-wide pack mode state: off at start, switched on once by setDataPack.
bool gPackMode = false;
std::string gPackName;
std::string gPackPassword;
PackExtractor gExtractor = nullptr;
std::vector<std::string> gDataFolders;  // disk mode: searched in order; empty = working directory
MissingFileHandler gMissingFile = nullptr;

// Reads the disk file name whole. Returns false (nothing allocated) when it cannot be opened,
// its length cannot be taken or does not fit 32 bits, memory runs out, or the read comes up short.
bool readDiskFile(const char* name, uint8_t** data, uint32_t* size) {
  const std::string path = gDataFolders.empty() ? std::string(name) : findDataFile(name);
  if (path.empty() && gMissingFile) gMissingFile(name);
  std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
  if (!f) return false;
  long length = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
  if (length < 0 || static_cast<unsigned long>(length) > 0xFFFFFFFFul || std::fseek(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return false;
  }
  // One spare byte so that an empty file still has a data block (malloc(0) may return null).
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length) + 1));
  if (!bytes) {
    std::fclose(f);
    return false;
  }
  const size_t got = std::fread(bytes, 1, static_cast<size_t>(length), f);
  std::fclose(f);
  if (got != static_cast<size_t>(length)) {
    std::free(bytes);
    return false;
  }
  *data = bytes;
  *size = static_cast<uint32_t>(length);
  return true;
}

// Extracts name from the pack through the installed extractor; on failure shows the message of
// the pack layer (box with caption "message", and the same text on stderr).
bool readPackEntry(const char* name, uint8_t** data, uint32_t* size) {
  uint8_t* bytes = nullptr;
  uint32_t count = 0;
  const int result = gExtractor ? gExtractor(gPackName.c_str(), gPackPassword.c_str(), name, &bytes, &count) : 0;
  if (result == 1 && (bytes || count == 0)) {
    if (!bytes) bytes = static_cast<uint8_t*>(std::malloc(1));
    if (!bytes) return false;
    *data = bytes;
    *size = count;
    return true;
  }
  std::free(bytes);
  char text[512];
  std::snprintf(text, sizeof text, "filename: %s\ndata size: %i, ptr: %i, retVal: %i", name, 0, 0, result);
  std::fprintf(stderr, "%s\n", text);
  // One line beside the report that says what is wrong with the pack and what to do.
  const std::string why = PackDiagnosis::explain(gPackName.c_str(), gPackPassword.c_str(), name);
  if (!why.empty()) std::fprintf(stderr, "rk17: %s\n", why.c_str());
  std::fflush(stderr);
  showMessageBox(text, "message", DialogIcon::None);
  return false;
}
}  // namespace

MemoryFile::MemoryFile(const char* name) { openFile(name, this); }

MemoryFile::~MemoryFile() { std::free(_data); }

MemoryFile* openFile(const char* name, MemoryFile* into) {
  if (into) releaseFile(into);
  if (!name) return nullptr;
  uint8_t* data = nullptr;
  uint32_t size = 0;
  const bool ok = gPackMode ? readPackEntry(name, &data, &size) : readDiskFile(name, &data, &size);
  if (!ok) return nullptr;
  MemoryFile* file = into;
  if (!file) {
    file = new MemoryFile();
    file->_allocated = true;
  }
  file->_data = data;
  file->_size = size;
  file->_position = 0;
  file->_valid = true;
  return file;
}

size_t readFile(void* destination, size_t elementSize, size_t elementCount, MemoryFile* file) {
  if (!file || !file->_data || !destination || elementSize == 0) return 0;
  size_t copied = 0;
  uint8_t* out = static_cast<uint8_t*>(destination);
  // Compared as remaining bytes, so neither a huge element size nor an unclamped position past
  // the size can wrap around into a read.
  while (copied < elementCount && file->_position <= file->_size && elementSize <= file->_size - file->_position) {
    std::memcpy(out, file->_data + file->_position, elementSize);
    out += elementSize;
    file->_position += static_cast<uint32_t>(elementSize);
    ++copied;
  }
  return copied;
}

int seekFile(MemoryFile* file, int32_t offset, int origin) {
  if (!file) return 0;
  // Unsigned arithmetic modulo 2^32: a position before the start wraps to a huge value, which
  // readFile treats as past the end.
  const uint32_t delta = static_cast<uint32_t>(offset);
  switch (origin) {
    case 0:
      file->_position = delta;
      break;
    case 1:
      file->_position += delta;
      break;
    case 2:
      file->_position = file->_size + delta;
      break;
    default:
      break;
  }
  return 0;
}

uint32_t tellFile(const MemoryFile* file) { return file ? file->position() : 0; }

int closeFile(MemoryFile* file) {
  if (!file) return 0;
  releaseFile(file);
  if (file->_allocated) delete file;
  return 0;
}

void releaseFile(MemoryFile* file) {
  if (!file) return;
  std::free(file->_data);
  file->_data = nullptr;
  file->_size = 0;
  file->_position = 0;
  file->_valid = false;
}

bool openBytes(const uint8_t* bytes, size_t size, MemoryFile* into) {
  if (!into) return false;
  releaseFile(into);
  if (size > UINT32_MAX || (size > 0 && !bytes)) return false;
  uint8_t* data = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  if (!data) return false;
  if (size) std::memcpy(data, bytes, size);
  into->_data = data;
  into->_size = uint32_t(size);
  into->_position = 0;
  into->_valid = true;
  return true;
}

void setDataFolders(const std::vector<std::string>& folders) { gDataFolders = folders; }

MissingFileHandler setMissingFileHandler(MissingFileHandler handler) {
  const MissingFileHandler previous = gMissingFile;
  gMissingFile = handler;
  return previous;
}

std::string findDataFile(const char* name) {
  if (gPackMode || !name) return "";
  std::error_code error;
  if (gDataFolders.empty()) return std::filesystem::is_regular_file(name, error) ? name : "";
  for (const std::string& folder : gDataFolders) {
    const std::filesystem::path path = std::filesystem::path(folder) / name;
    if (std::filesystem::is_regular_file(path, error)) return path.string();
  }
  return "";
}

void setDataPack(const char* packName, const char* password) {
  gPackName = packName ? packName : "";
  gPackPassword = password ? password : "";
  gPackMode = true;
}

void leavePackMode() {
  gPackMode = false;
  gPackName.clear();
  gPackPassword.clear();
}

bool isPackMode() { return gPackMode; }

void setPackExtractor(PackExtractor extractor) { gExtractor = extractor; }
