#include "ImageLibrary.h"

#include "ErrorReport.h"
#include "MemoryFile.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Deflate expands at most 1032:1, so a PNG can never inflate to more than this many bytes per
// byte of file; a header promising more pixels than that is rejected before allocating.
constexpr size_t kPngMaxInflation = 1032;
// JPEG has no such hard limit (long end-of-band runs); allow generous ratios plus a floor, so
// that real pictures always pass while a tiny hostile header cannot ask for gigabytes.
constexpr size_t kJpegMaxInflation = 4096;
constexpr size_t kJpegAllocationFloor = 16u << 20;
constexpr int kJpegMaxDimension = 32768;

constexpr uint32_t kDxt1 = 0x83F1;  // GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
constexpr uint32_t kDxt3 = 0x83F2;  // GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
constexpr uint32_t kDxt5 = 0x83F3;  // GL_COMPRESSED_RGBA_S3TC_DXT5_EXT
constexpr size_t kDdsMagicSize = 4;
constexpr size_t kDdsHeaderSize = 124;

uint32_t readLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The in-memory source that libpng reads through.
struct PngSource {
  const uint8_t* bytes;
  size_t size;
  size_t position;
};

void pngRead(png_structp png, png_bytep destination, png_size_t length) {
  PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->position) png_error(png, "read past the end of the file");
  std::memcpy(destination, source->bytes + source->position, length);
  source->position += length;
}

// libpng's default handlers print to stderr; image failures show nothing, so both are quiet.
void pngQuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngQuietWarning(png_structp, png_const_charp) {}

// The libpng part of decodePng. Kept free of C++ objects with destructors because libpng leaves
// it by longjmp. On success fills the out-parameters and returns true; pixels is the caller's.
bool readPngPixels(const uint8_t* bytes, size_t size, png_uint_32* width, png_uint_32* height,
                   uint32_t* bitsPerPixel, uint8_t** pixels, size_t* dataSize) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngQuietError, pngQuietWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  PngSource source = {bytes, size, 8};
  uint8_t* volatile buffer = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(buffer);
    std::free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, pngRead);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  int bitDepth = 0, colorType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(png, info, width, height, &bitDepth, &colorType, &interlace, &compression, &filter);
  // Not a pixel transformation: makes png_read_image run all seven passes of an interlaced file
  // (libpng would otherwise do it itself with a warning).
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  const size_t rowCount = *height;
  if (rowBytes == 0 || rowCount == 0 || rowBytes > (size * kPngMaxInflation) / rowCount) png_error(png, "too large");
  buffer = static_cast<uint8_t*>(std::malloc(rowBytes * rowCount));
  rows = static_cast<png_bytep*>(std::malloc(rowCount * sizeof(png_bytep)));
  if (!buffer || !rows) png_error(png, "out of memory");
  for (size_t y = 0; y < rowCount; ++y) rows[y] = buffer + y * rowBytes;
  png_read_image(png, rows);
  *bitsPerPixel = uint32_t(png_get_channels(png, info)) * uint32_t(bitDepth);
  *pixels = buffer;
  *dataSize = rowBytes * rowCount;
  std::free(rows);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

ImageLibrary::FileType ImageLibrary::fileTypeOf(const char* name) {
  if (!name) return FileType::Unknown;
  const size_t length = std::strlen(name);
  if (length < 4) return FileType::Unknown;
  const char* ext = name + length - 4;
  if (!std::strcmp(ext, ".png") || !std::strcmp(ext, ".PNG")) return FileType::Png;
  if (!std::strcmp(ext, ".dds") || !std::strcmp(ext, ".DDS")) return FileType::Dds;
  if (!std::strcmp(ext, ".jpg") || !std::strcmp(ext, ".JPG")) return FileType::Jpeg;
  return FileType::Unknown;
}

ImageData* ImageLibrary::loadImage(const char* name, const char* directory) {
  const FileType type = fileTypeOf(name);
  if (type == FileType::Unknown) return nullptr;
  std::string path = directory ? directory : "";
  path += name;
  MemoryFile* file = openFile(path.c_str(), nullptr);
  if (!file) return nullptr;
  ImageData* image = decode(type, file->data(), file->size());
  closeFile(file);
  return image;
}

ImageData* ImageLibrary::decode(FileType type, const uint8_t* bytes, size_t size) {
  switch (type) {
    case FileType::Png: return decodePng(bytes, size);
    case FileType::Dds: return decodeDds(bytes, size);
    case FileType::Jpeg: return decodeJpeg(bytes, size);
    default: return nullptr;
  }
}

ImageData* ImageLibrary::decodePng(const uint8_t* bytes, size_t size) {
  if (!bytes || size < 8 || png_sig_cmp(bytes, 0, 8) != 0) return nullptr;
  png_uint_32 width = 0, height = 0;
  uint32_t bitsPerPixel = 0;
  uint8_t* pixels = nullptr;
  size_t dataSize = 0;
  if (!readPngPixels(bytes, size, &width, &height, &bitsPerPixel, &pixels, &dataSize)) return nullptr;
  ImageData* image = new ImageData;
  image->width = width;
  image->height = height;
  image->bitsPerPixel = bitsPerPixel;
  image->pixels = pixels;
  image->dataSize = dataSize;
  return image;
}

ImageData* ImageLibrary::decodeDds(const uint8_t* bytes, size_t size) {
  if (!bytes || size < kDdsMagicSize || std::memcmp(bytes, "DDS ", kDdsMagicSize) != 0) return nullptr;
  // A file too short for its header has no trustworthy fields at all.
  if (size < kDdsMagicSize + kDdsHeaderSize) return nullptr;
  const uint8_t* header = bytes + kDdsMagicSize;
  const uint32_t height = readLe32(header + 8);
  const uint32_t width = readLe32(header + 12);
  const uint32_t linearSize = readLe32(header + 16);
  const uint32_t mipmapCount = readLe32(header + 24);
  const uint8_t* fourCC = header + 80;

  uint32_t bitsPerPixel = 0, format = 0;
  size_t blockBytes = 0;
  if (!std::memcmp(fourCC, "DXT1", 4)) {
    bitsPerPixel = 24, format = kDxt1, blockBytes = 8;
  } else if (!std::memcmp(fourCC, "DXT3", 4)) {
    bitsPerPixel = 32, format = kDxt3, blockBytes = 16;
  } else if (!std::memcmp(fourCC, "DXT5", 4)) {
    bitsPerPixel = 32, format = kDxt5, blockBytes = 16;
  } else {
    return nullptr;
  }
  if (width == 0 || height == 0) return nullptr;

  // The linear size, doubled as an upper bound for a whole mipmap chain; never more than the
  // file holds, and at least level 0 must be there.
  const uint64_t wanted = uint64_t(linearSize) * (mipmapCount > 1 ? 2 : 1);
  const size_t available = size - kDdsMagicSize - kDdsHeaderSize;
  const size_t kept = size_t(std::min<uint64_t>(wanted, available));
  const uint64_t level0 = ((uint64_t(width) + 3) / 4) * ((uint64_t(height) + 3) / 4) * blockBytes;
  if (kept < level0) return nullptr;

  uint8_t* data = static_cast<uint8_t*>(std::malloc(kept));
  if (!data) return nullptr;
  std::memcpy(data, header + kDdsHeaderSize, kept);
  ImageData* image = new ImageData;
  image->width = width;
  image->height = height;
  image->bitsPerPixel = bitsPerPixel;
  image->pixels = data;
  image->compressedFormat = format;
  image->mipmapCount = mipmapCount;
  image->dataSize = kept;
  return image;
}

ImageData* ImageLibrary::decodeJpeg(const uint8_t* bytes, size_t size) {
  if (!bytes || size == 0) return nullptr;
  tjhandle decoder = tjInitDecompress();
  if (!decoder) return nullptr;
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(decoder, bytes, static_cast<unsigned long>(size), &width, &height, &subsampling,
                          &colorspace) != 0 ||
      width <= 0 || height <= 0 || width > kJpegMaxDimension || height > kJpegMaxDimension) {
    tjDestroy(decoder);
    return nullptr;
  }
  int channels = 0, pixelFormat = 0;
  switch (colorspace) {
    case TJCS_GRAY:  // one channel, repeated into B G R
      channels = 3, pixelFormat = TJPF_BGR;
      break;
    case TJCS_YCbCr:
    case TJCS_RGB:
      channels = 3, pixelFormat = TJPF_RGB;
      break;
    default:  // four channels: RGBA where the decoder can convert them (it refuses CMYK/YCCK)
      channels = 4, pixelFormat = TJPF_RGBA;
      break;
  }
  const size_t pitch = TJPAD(size_t(channels) * size_t(width));
  const size_t total = pitch * size_t(height);
  if (total > size * kJpegMaxInflation + kJpegAllocationFloor) {
    tjDestroy(decoder);
    return nullptr;
  }
  uint8_t* pixels = static_cast<uint8_t*>(std::malloc(total));
  if (!pixels) {
    tjDestroy(decoder);
    return nullptr;
  }
  const int status = tjDecompress2(decoder, bytes, static_cast<unsigned long>(size), pixels, width, int(pitch),
                                   height, pixelFormat, TJFLAG_LIMITSCANS);
  tjDestroy(decoder);
  if (status != 0) {
    std::free(pixels);
    return nullptr;
  }
  ImageData* image = new ImageData;
  image->width = uint32_t(width);
  image->height = uint32_t(height);
  image->bitsPerPixel = uint32_t(channels) * 8;
  image->pixels = pixels;
  image->dataSize = total;
  return image;
}

int ImageLibrary::convertTo32Bit(ImageData* image) {
  if (!image) return 1;
  if (image->bitsPerPixel != 24) {
    reportError(__FILE__, __LINE__, "Image has unsupported bit depth", true);
    return 0;
  }
  const size_t count = size_t(image->width) * image->height;
  uint8_t* widened = static_cast<uint8_t*>(std::malloc(count * 4));
  if (!widened) {
    reportError(__FILE__, __LINE__, "Image: out of memory", true);
    return 0;
  }
  const uint8_t* source = image->pixels;
  // Pixels beyond the record's bytes (never the case for decoded files) read as black.
  const size_t sourceCount = std::min(count, image->dataSize / 3);
  for (size_t i = 0; i < count; ++i) {
    uint8_t* out = widened + i * 4;
    if (i < sourceCount) {
      std::memcpy(out, source + i * 3, 3);
    } else {
      out[0] = out[1] = out[2] = 0;
    }
    out[3] = 255;
  }
  std::free(image->pixels);
  image->pixels = widened;
  image->bitsPerPixel = 32;
  image->dataSize = count * 4;
  return 0;
}

int ImageLibrary::scaleImage(uint32_t newWidth, uint32_t newHeight, ImageData* image) {
  if (!image) {
    reportError(__FILE__, __LINE__, "no image to scale", false);
    return 1;
  }
  const size_t bytesPerPixel = image->bitsPerPixel / 8;
  const uint32_t oldWidth = image->width;
  const uint32_t oldHeight = image->height;
  const size_t total = size_t(newWidth) * newHeight * bytesPerPixel;
  uint8_t* scaled = static_cast<uint8_t*>(std::malloc(total ? total : 1));
  if (!scaled) {
    reportError(__FILE__, __LINE__, "Image: out of memory", true);
    return 0;
  }
  // Single precision on purpose: the rounding of these factors decides which columns repeat.
  const float stepX = newWidth ? float(double(oldWidth) / double(newWidth)) : 0.0f;
  const float stepY = newHeight ? float(double(oldHeight) / double(newHeight)) : 0.0f;
  const uint8_t* source = image->pixels;
  uint8_t* out = scaled;
  for (uint32_t j = 0; j < newHeight; ++j) {
    const size_t srcY = size_t(float(j) * stepY);
    for (uint32_t i = 0; i < newWidth; ++i) {
      const size_t srcX = size_t(float(i) * stepX);
      const size_t offset = (srcY * oldWidth + srcX) * bytesPerPixel;
      if (source && offset + bytesPerPixel <= image->dataSize) {
        std::memcpy(out, source + offset, bytesPerPixel);
      } else {
        std::memset(out, 0, bytesPerPixel);
      }
      out += bytesPerPixel;
    }
  }
  std::free(image->pixels);
  image->pixels = scaled;
  image->width = newWidth;
  image->height = newHeight;
  image->dataSize = total;
  return 0;
}
