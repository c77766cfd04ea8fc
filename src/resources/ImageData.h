#pragma once
// Decoded pixels of one image file, as the image library delivers them and a Texture keeps them.
// Uncompressed pixels: rows first-row-first (for PNG the top row), channels R G B (A), no padding
// between rows as far as consumers are concerned. Compressed pixels (DDS): the S3TC blocks of
// every mipmap level the file held, level 0 first.
#include <cstdint>
#include <cstdlib>

struct ImageData {
  ImageData() = default;
  // Frees the pixels; deleting the record therefore releases everything it holds.
  ~ImageData() { std::free(pixels); }
  ImageData(const ImageData&) = delete;
  ImageData& operator=(const ImageData&) = delete;

  uint32_t width = 0;             // pixels
  uint32_t height = 0;            // pixels
  uint32_t bitsPerPixel = 0;      // 24 or 32 (8, 16, 48, 64 from PNG); DDS: 24 for DXT1, 32 for DXT3/5
  uint8_t* pixels = nullptr;      // owned, C allocator (malloc/free)
  uint32_t compressedFormat = 0;  // 0, or the GL S3TC internal format 0x83F1..0x83F3 of a DDS file
  uint32_t mipmapCount = 0;       // DDS: the header's mipmap count; 0 otherwise
  // Bytes allocated at pixels. Decoders set it so that every consumer can check that what it
  // reads lies inside the buffer (a DDS file may hold fewer bytes than its mipmap chain needs).
  size_t dataSize = 0;

  bool isCompressed() const { return compressedFormat >= 0x83F1 && compressedFormat <= 0x83F3; }
};
