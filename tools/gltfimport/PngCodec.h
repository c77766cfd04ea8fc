#pragma once
// PNG reading into 8-bit RGBA (palette, grey, 16-bit and interlaced files converted) and writing of
// 8-bit RGBA pictures, in memory, with libpng. The engine's texture upload takes only 8-bit RGB
// and RGBA, so the importer writes other PNGs anew.
#include <cstdint>
#include <vector>

namespace gltfimport {

class PngCodec {
 public:
  // Whether bytes are a PNG the engine uploads as it is (8-bit RGB or RGBA, not interlaced).
  static bool isEngineReady(const std::vector<uint8_t>& bytes);
  // False for a broken file or one over kMaxPixels pixels.
  static bool decodeRgba(const std::vector<uint8_t>& bytes, uint32_t& width, uint32_t& height,
                         std::vector<uint8_t>& rgba);
  static bool encodeRgba(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba,
                         std::vector<uint8_t>& bytes);
  static constexpr uint64_t kMaxPixels = uint64_t(1) << 26;
};

}  // namespace gltfimport
