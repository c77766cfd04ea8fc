// Fuzz target "image": the PNG, JPEG and DDS decoders of the image library over bytes in memory,
// chosen by the file's signature (all three for bytes with none), then the 24-to-32-bit widening
// and a small resampling of what came out. Headers asking for more than kMaxPixels are skipped:
// the decoders already bound allocations by the input's size, and this keeps each run short.
#include <turbojpeg.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "ImageData.h"
#include "ImageLibrary.h"

namespace {

constexpr uint64_t kMaxPixels = 1 << 20;

uint32_t readBe32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t readLe32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }

bool isPng(const uint8_t* data, size_t size) { return size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0; }
bool isDds(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "DDS ", 4) == 0; }
bool isJpeg(const uint8_t* data, size_t size) { return size >= 2 && data[0] == 0xFF && data[1] == 0xD8; }

// Width x height promised by the header, 0 when it cannot be read (the decoder then fails early).
uint64_t promisedPixels(ImageLibrary::FileType type, const uint8_t* data, size_t size) {
  switch (type) {
    case ImageLibrary::FileType::Png:  // IHDR is the first chunk
      return size >= 24 ? uint64_t(readBe32(data + 16)) * readBe32(data + 20) : 0;
    case ImageLibrary::FileType::Dds:
      return size >= 20 ? uint64_t(readLe32(data + 12)) * readLe32(data + 16) : 0;
    case ImageLibrary::FileType::Jpeg: {
      static tjhandle decoder = tjInitDecompress();
      int width = 0, height = 0, subsampling = 0, colorspace = 0;
      if (tjDecompressHeader3(decoder, data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                              &colorspace) != 0)
        return 0;
      return uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0);
    }
    default:
      return 0;
  }
}

// A copy of a PNG file with every chunk's CRC made right, so that mutations reach the chunk
// contents instead of stopping at the checksum.
std::vector<uint8_t> withChunkCrcsFixed(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  size_t at = 8;
  while (size - at >= 12) {
    const uint32_t length = readBe32(&bytes[at]);
    if (length > size - at - 12) break;
    const uint32_t crc = uint32_t(crc32(0, &bytes[at + 4], uInt(length + 4)));
    for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + size_t(length);
  }
  return bytes;
}

void decodeAndUse(ImageLibrary::FileType type, const uint8_t* data, size_t size) {
  if (promisedPixels(type, data, size) > kMaxPixels) return;
  std::unique_ptr<ImageData> image(ImageLibrary::decode(type, data, size));
  if (!image || image->isCompressed()) return;
  if (image->bitsPerPixel == 24) ImageLibrary::convertTo32Bit(image.get());
  ImageLibrary::scaleImage(7, 5, image.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using Type = ImageLibrary::FileType;
  if (isPng(data, size)) {
    const std::vector<uint8_t> fixed = withChunkCrcsFixed(data, size);
    decodeAndUse(Type::Png, fixed.data(), fixed.size());
  } else if (isDds(data, size)) {
    decodeAndUse(Type::Dds, data, size);
  } else if (isJpeg(data, size)) {
    decodeAndUse(Type::Jpeg, data, size);
  } else {
    for (Type type : {Type::Png, Type::Dds, Type::Jpeg}) decodeAndUse(type, data, size);
  }
  return 0;
}
