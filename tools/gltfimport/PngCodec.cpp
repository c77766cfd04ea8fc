#include "PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace gltfimport {

namespace {

struct Reading {
  const std::vector<uint8_t>* bytes;
  size_t position;
};

void readBytes(png_structp png, png_bytep out, png_size_t size) {
  Reading* r = static_cast<Reading*>(png_get_io_ptr(png));
  if (size > r->bytes->size() - r->position) png_error(png, "truncated");
  std::memcpy(out, r->bytes->data() + r->position, size);
  r->position += size;
}

void writeBytes(png_structp png, png_bytep data, png_size_t size) {
  std::vector<uint8_t>* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

void flush(png_structp) {}

// libpng's default handlers print; the importer reports failures itself.
void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quietWarning(png_structp, png_const_charp) {}

}  // namespace

bool PngCodec::isEngineReady(const std::vector<uint8_t>& bytes) {
  // IHDR follows the 8-byte signature and the chunk's length and type: width, height, depth,
  // colour type, compression, filter, interlace.
  if (bytes.size() < 29 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return false;
  const uint8_t depth = bytes[24], colorType = bytes[25], interlace = bytes[28];
  return depth == 8 && (colorType == 2 || colorType == 6) && interlace == 0;
}

bool PngCodec::decodeRgba(const std::vector<uint8_t>& bytes, uint32_t& width, uint32_t& height,
                          std::vector<uint8_t>& rgba) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  Reading reading{&bytes, 0};
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &reading, readBytes);
  png_read_info(png, info);
  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  if (width == 0 || height == 0 || uint64_t(width) * height > kMaxPixels) png_error(png, "too large");
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  rgba.assign(size_t(width) * height * 4, 0);
  rows.resize(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = rgba.data() + size_t(y) * width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool PngCodec::encodeRgba(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba,
                          std::vector<uint8_t>& bytes) {
  if (rgba.size() != size_t(width) * height * 4) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  bytes.clear();
  png_set_write_fn(png, &bytes, writeBytes, flush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(rgba.data() + size_t(y) * width * 4));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace gltfimport
