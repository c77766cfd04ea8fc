#pragma once
// Data files read whole into memory. Every loader (script, images, scenes, morph data, shader
// programs) reads through these functions. Files come from the disk tree until the entry switches
// to the data pack with setDataPack; from then on they come only from the pack.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class MemoryFile {
 public:
  // An empty, invalid memory file (openFile fills it).
  MemoryFile() = default;
  // Embedded form: reads name at once; isValid() tells whether that succeeded.
  explicit MemoryFile(const char* name);
  // Frees the data if releaseFile/closeFile did not already.
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  uint32_t size() const { return _size; }
  uint32_t position() const { return _position; }
  // The file's bytes (null when invalid); owned by the memory file.
  const uint8_t* data() const { return _data; }
  bool isValid() const { return _valid; }

 private:
  friend MemoryFile* openFile(const char* name, MemoryFile* into);
  friend size_t readFile(void* destination, size_t elementSize, size_t elementCount, MemoryFile* file);
  friend int seekFile(MemoryFile* file, int32_t offset, int origin);
  friend int closeFile(MemoryFile* file);
  friend void releaseFile(MemoryFile* file);
  friend bool openBytes(const uint8_t* bytes, size_t size, MemoryFile* into);

  uint32_t _size = 0;        // bytes of data
  uint32_t _position = 0;    // read position in bytes; seekFile does not clamp it
  uint8_t* _data = nullptr;  // C heap, owned
  bool _valid = false;       // opened successfully (and, for openFile's own allocations, true)
  bool _allocated = false;   // created by openFile: closeFile may delete it
};

// Reads the whole file name into memory. With into null, allocates a new memory file that the
// caller frees with closeFile; otherwise fills into (releasing what it held) and returns it.
// Returns null on failure: in disk mode silently (missing file, unreadable, over 4 GiB, no memory);
// in pack mode after a message box naming the file and the extractor's result.
MemoryFile* openFile(const char* name, MemoryFile* into);
// Copies whole elements while position + elementSize does not pass the size and advances the
// position; returns the number of whole elements copied (a partial last element is never copied).
size_t readFile(void* destination, size_t elementSize, size_t elementCount, MemoryFile* file);
// origin 0: position = offset; 1: position += offset; 2: position = size + offset; other: nothing.
// The position is not clamped (reads beyond the size return 0). Always returns 0.
int seekFile(MemoryFile* file, int32_t offset, int origin);
uint32_t tellFile(const MemoryFile* file);
// Frees the data and the memory file allocated by openFile (null allowed). An embedded memory
// file passed here is only released, never deleted. Returns 0.
int closeFile(MemoryFile* file);
// Frees the data of an embedded memory file and clears valid; the object stays usable.
void releaseFile(MemoryFile* file);
// Fills into (releasing what it held) with a copy of size bytes, for data made in memory (an
// imported scene). False, and into left invalid, for a null into, over 4 GiB or no memory.
bool openBytes(const uint8_t* bytes, size_t size, MemoryFile* into);

// Disk mode reads name below each of folders in turn (the first that holds it wins) instead of
// relative to the working directory. An empty list restores the working directory.
void setDataFolders(const std::vector<std::string>& folders);
// The disk path that disk mode reads for name ("" when no folder holds it, or in pack mode).
std::string findDataFile(const char* name);
// Called with the name of every file that disk mode with data folders cannot find (an opened
// name that no folder holds). Null (the default) calls nothing. Returns the previous handler.
using MissingFileHandler = void (*)(const char* name);
MissingFileHandler setMissingFileHandler(MissingFileHandler handler);

// Switches every later openFile to the data pack packName (copies of both texts are kept).
// The show never goes back.
void setDataPack(const char* packName, const char* password);
// Tests only: back to disk mode, so that a test which started the show's pack mode leaves the
// tests after it reading from disk as before.
void leavePackMode();
bool isPackMode();

// The pack extractor plugged in by the data pack reader: fills *data (C heap, the memory file
// takes ownership) and *size for entryName and returns 1 on success, any other value on failure.
using PackExtractor = int (*)(const char* packName, const char* password, const char* entryName, uint8_t** data,
                              uint32_t* size);
// Installs the extractor used in pack mode (null: none; every pack read then fails with result 0).
void setPackExtractor(PackExtractor extractor);
