#include "ImageFixtures.h"

#include <png.h>
#include <turbojpeg.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

Bytes readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

Bytes encodePng(uint32_t width, uint32_t height, int colorType, int bitDepth, const Bytes& pixels,
                const Bytes& palette, bool interlaced) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return out;
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(height);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes();
  }
  png_set_write_fn(png, &out, appendToBytes, flushNothing);
  png_set_IHDR(png, info, width, height, bitDepth, colorType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> entries;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (size_t i = 0; i + 2 < palette.size(); i += 3) entries.push_back({palette[i], palette[i + 1], palette[i + 2]});
    png_set_PLTE(png, info, entries.data(), int(entries.size()));
  }
  png_write_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  for (uint32_t y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(pixels.data() + y * rowBytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes encodeJpeg(uint32_t width, uint32_t height, bool grey, const Bytes& pixels) {
  tjhandle encoder = tjInitCompress();
  if (!encoder) return Bytes();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int status = tjCompress2(encoder, pixels.data(), int(width), 0, int(height), grey ? TJPF_GRAY : TJPF_RGB,
                                 &jpeg, &size, grey ? TJSAMP_GRAY : TJSAMP_444, 100, 0);
  Bytes out;
  if (status == 0) out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(encoder);
  return out;
}

Bytes makeDds(uint32_t width, uint32_t height, const Bytes& rgba, const std::string& compression, int mipmaps,
              const std::string& workDir) {
  const std::string png = workDir + "/dds_source.png";
  const std::string dds = workDir + "/dds_out.dds";
  if (!writeBytes(png, encodePng(width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba))) return Bytes();
  std::remove(dds.c_str());
  // -alpha set: without it ImageMagick writes DXT1 blocks even when DXT5 is asked for.
  std::string command = "/usr/bin/convert '" + png + "' -alpha set -define dds:compression=" + compression;
  if (mipmaps > 0) command += " -define dds:mipmaps=" + std::to_string(mipmaps - 1);
  command += " 'DDS:" + dds + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return Bytes();
  return readWhole(dds);
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

void putLe32(Bytes& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = uint8_t(value >> (8 * i));
}

uint32_t getLe32(const Bytes& bytes, size_t offset) {
  return uint32_t(bytes.at(offset)) | uint32_t(bytes.at(offset + 1)) << 8 | uint32_t(bytes.at(offset + 2)) << 16 |
         uint32_t(bytes.at(offset + 3)) << 24;
}

Bytes quadrantPicture(uint32_t width, uint32_t height) {
  Bytes rgba(size_t(width) * height * 4);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      uint8_t r = 0, g = 0, b = 0;
      if (!right && !bottom) r = 255;
      if (right && !bottom) g = 255;
      if (!right && bottom) b = 255;
      if (right && bottom) r = g = b = 255;
      uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
      p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    }
  }
  return rgba;
}
