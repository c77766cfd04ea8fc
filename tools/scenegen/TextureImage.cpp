#include "TextureImage.h"

#include <png.h>

#include <algorithm>
#include <cmath>

namespace scenegen {
namespace {
uint8_t toByte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

float lattice(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return static_cast<float>(h & 0xFFFFu) / 65535.0f;
}

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

float valueNoise(float x, float y, int period, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const float fx = smooth(x - static_cast<float>(x0)), fy = smooth(y - static_cast<float>(y0));
  auto at = [&](int i, int j) {
    return lattice(((i % period) + period) % period, ((j % period) + period) % period, seed);
  };
  const float a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}
}  // namespace

TextureImage::TextureImage(int width, int height)
    : _width(width), _height(height), _rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0) {}

void TextureImage::set(int x, int y, const Rgba& c) {
  if (x < 0 || y < 0 || x >= _width || y >= _height) return;
  uint8_t* p = &_rgba[(static_cast<size_t>(y) * static_cast<size_t>(_width) + static_cast<size_t>(x)) * 4];
  p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b), p[3] = toByte(c.a);
}

void TextureImage::fill(const std::function<Rgba(float u, float v)>& f) {
  for (int y = 0; y < _height; ++y)
    for (int x = 0; x < _width; ++x)
      set(x, y,
          f((static_cast<float>(x) + 0.5f) / static_cast<float>(_width),
            (static_cast<float>(y) + 0.5f) / static_cast<float>(_height)));
}

bool TextureImage::savePng(const std::string& path, bool withAlpha) const {
  std::vector<uint8_t> rgb;
  if (!withAlpha) {
    rgb.reserve(_rgba.size() / 4 * 3);
    for (size_t i = 0; i < _rgba.size(); i += 4) rgb.insert(rgb.end(), {_rgba[i], _rgba[i + 1], _rgba[i + 2]});
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<uint32_t>(_width);
  image.height = static_cast<uint32_t>(_height);
  image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, withAlpha ? _rgba.data() : rgb.data(), 0, nullptr) != 0;
}

float tileNoise(float u, float v, int period, int octaves, uint32_t seed) {
  float sum = 0.0f, amplitude = 0.5f, total = 0.0f;
  int p = period;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude *
           valueNoise(u * static_cast<float>(p), v * static_cast<float>(p), p, seed + static_cast<uint32_t>(o));
    total += amplitude;
    amplitude *= 0.5f;
    p *= 2;
  }
  return sum / total;
}

}  // namespace scenegen
