#pragma once
// Image files to pixel records: PNG (libpng, pixels exactly as the file holds them), DDS with
// DXT1/DXT3/DXT5 blocks, and JPEG (TurboJPEG). The library keeps no state; every operation is a
// static function. Decoders never read outside the bytes they are given and never allocate more
// than the file's size can justify, so hostile files give null instead of a crash.
#include "ImageData.h"

#include <cstddef>
#include <cstdint>

class ImageLibrary {
 public:
  enum class FileType { Unknown, Png, Dds, Jpeg };

  // The decoder chosen by the last four characters of name, compared case-sensitively:
  // ".png"/".PNG", ".dds"/".DDS", ".jpg"/".JPG". Anything else (mixed case, ".jpeg", names
  // shorter than four characters) is Unknown.
  static FileType fileTypeOf(const char* name);

  // Reads directory + name (no separator inserted; an empty or null directory means the name
  // alone) through the memory files and decodes it by the extension of name. Returns a new record
  // owned by the caller (delete it), or null for an unknown extension, a file that cannot be
  // opened, or undecodable contents. Shows no message.
  static ImageData* loadImage(const char* name, const char* directory);

  // Decodes bytes as the given type; null for Unknown or undecodable contents.
  static ImageData* decode(FileType type, const uint8_t* bytes, size_t size);

  // PNG without transformations: bitsPerPixel = channels x bit depth of the file (24 for RGB,
  // 32 for RGBA, 8 or 16 for palette and grey, 48 or 64 for 16-bit colour). Null on any error.
  static ImageData* decodePng(const uint8_t* bytes, size_t size);
  // DDS with DXT1 (24), DXT3 (32) or DXT5 (32). Keeps the linear size (doubled when the mipmap
  // count is above 1) or as many bytes as the file holds, whichever is less; null when the file
  // cannot hold level 0, for zero sizes and for other four-character codes.
  static ImageData* decodeDds(const uint8_t* bytes, size_t size);
  // JPEG: grey files give 24 bits in B G R order (all equal), colour files 24 bits R G B, files
  // with four channels 32 bits RGBA where the decoder can convert them. Every row is padded to a
  // multiple of 4 bytes. Null on any decoder failure.
  static ImageData* decodeJpeg(const uint8_t* bytes, size_t size);

  // Widens 24-bit pixels to 32 bits with alpha 255. Any other bit depth is the fatal report
  // "Image has unsupported bit depth". Returns 0 (1 for a null image, which changes nothing).
  static int convertTo32Bit(ImageData* image);

  // Nearest-neighbour resampling to newWidth x newHeight with single-precision step factors
  // (old / new). A null image gives the non-fatal report "no image to scale" and returns 1;
  // otherwise returns 0. Source pixels outside the record's bytes read as zero.
  static int scaleImage(uint32_t newWidth, uint32_t newHeight, ImageData* image);
};
