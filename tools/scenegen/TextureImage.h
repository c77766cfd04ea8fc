#pragma once
// A square-or-not RGBA picture for the scene textures, first row at the top, written as PNG.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scenegen {

struct Rgba {
  float r, g, b, a = 1.0f;  // 0..1
};

class TextureImage {
 public:
  TextureImage(int width, int height);
  int width() const { return _width; }
  int height() const { return _height; }

  // Sets every pixel from f (u, v in 0..1 at pixel centres, v = 0 on the top row).
  void fill(const std::function<Rgba(float u, float v)>& f);
  // Outside: ignored.
  void set(int x, int y, const Rgba& colour);

  // PNG with an alpha channel when withAlpha, else RGB; false on failure.
  bool savePng(const std::string& path, bool withAlpha) const;

 private:
  int _width;
  int _height;
  std::vector<uint8_t> _rgba;
};

// Smooth, tileable value noise: period cells across 0..1, several octaves; result about 0..1.
float tileNoise(float u, float v, int period, int octaves, uint32_t seed);

}  // namespace scenegen
