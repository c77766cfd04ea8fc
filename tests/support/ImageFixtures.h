#pragma once
// Image files made at test time: PNG through libpng's writer, JPEG through TurboJPEG's encoder,
// DDS through ImageMagick (/usr/bin/convert). Every function returns the file's bytes (empty on
// failure) so tests can decode them from memory or write them where the program looks.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Rows first-row-first in the packing libpng expects for colorType/bitDepth (16-bit samples big
// endian). palette holds RGB triples for PNG_COLOR_TYPE_PALETTE.
Bytes encodePng(uint32_t width, uint32_t height, int colorType, int bitDepth, const Bytes& pixels,
                const Bytes& palette = {}, bool interlaced = false);

// Quality 100, no chroma subsampling. grey: one byte per pixel; else R G B per pixel.
Bytes encodeJpeg(uint32_t width, uint32_t height, bool grey, const Bytes& pixels);

// RGBA pixels to a DDS with compression "dxt1", "dxt3", "dxt5" or "none" and the given mipmap
// count (0 = ImageMagick's full chain; 1 = level 0 only). workDir receives temporary files.
Bytes makeDds(uint32_t width, uint32_t height, const Bytes& rgba, const std::string& compression, int mipmaps,
              const std::string& workDir);

bool writeBytes(const std::string& path, const Bytes& bytes);

// Patches a 32-bit little-endian value at offset.
void putLe32(Bytes& bytes, size_t offset, uint32_t value);
uint32_t getLe32(const Bytes& bytes, size_t offset);

// Solid-colour quadrant test picture, RGBA, width x height: top-left red, top-right green,
// bottom-left blue, bottom-right white (first row = top).
Bytes quadrantPicture(uint32_t width, uint32_t height);
