#pragma once
// The bytes of a data pack: a file read through stdio or a block of memory the caller keeps alive.
// Random reads for headers and sequential reads for packed data; reads that continue where the
// last one ended need no seek.
#include <cstddef>
#include <cstdint>
#include <cstdio>

class PackInput {
 public:
  PackInput() = default;
  ~PackInput();
  PackInput(const PackInput&) = delete;
  PackInput& operator=(const PackInput&) = delete;

  // False when the file does not open or its size cannot be found.
  bool openFile(const char* path);
  // bytes may be null when size is 0; they are not copied.
  void openMemory(const uint8_t* bytes, size_t size);
  bool isOpen() const { return _file || _memory || _memoryOpen; }
  uint64_t size() const { return _size; }

  // Exactly size bytes at offset; false (and an unknown position) when they are not all there.
  bool readAt(uint64_t offset, uint8_t* destination, size_t size);
  // Moves the sequential position; false when it lies beyond the end.
  bool seek(uint64_t offset);
  // Up to size bytes from the sequential position; returns the count (short at the end).
  size_t read(uint8_t* destination, size_t size);

 private:
  static constexpr uint64_t kUnknownPosition = ~uint64_t(0);

  std::FILE* _file = nullptr;
  const uint8_t* _memory = nullptr;
  bool _memoryOpen = false;
  uint64_t _size = 0;                     // bytes
  uint64_t _position = kUnknownPosition;  // sequential position, if known
};
