#include "Canvas.h"

#include "BitmapFont.h"

#include <png.h>

#include <algorithm>
#include <cmath>

Canvas::Canvas(int width, int height) : _width(width), _height(height), _pixels(size_t(width) * height, Rgb{0, 0, 0}) {}

Rgb Canvas::get(int x, int y) const {
  if (x < 0 || y < 0 || x >= _width || y >= _height) return Rgb{0, 0, 0};
  return _pixels[size_t(y) * _width + x];
}

void Canvas::set(int x, int y, const Rgb& colour) {
  if (x < 0 || y < 0 || x >= _width || y >= _height) return;
  _pixels[size_t(y) * _width + x] = colour;
}

void Canvas::blend(int x, int y, const Rgb& colour, float alpha) {
  if (x < 0 || y < 0 || x >= _width || y >= _height) return;
  Rgb& p = _pixels[size_t(y) * _width + x];
  p.r += (colour.r - p.r) * alpha;
  p.g += (colour.g - p.g) * alpha;
  p.b += (colour.b - p.b) * alpha;
}

void Canvas::add(int x, int y, const Rgb& colour, float weight) {
  if (x < 0 || y < 0 || x >= _width || y >= _height) return;
  Rgb& p = _pixels[size_t(y) * _width + x];
  p.r += colour.r * weight;
  p.g += colour.g * weight;
  p.b += colour.b * weight;
}

void Canvas::fillRect(int x, int y, int w, int h, const Rgb& colour, float alpha) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) blend(i, j, colour, alpha);
}

bool Canvas::savePng(const std::string& path) const {
  std::vector<uint8_t> bytes(_pixels.size() * 3);
  auto toByte = [](float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  for (size_t i = 0; i < _pixels.size(); ++i) {
    bytes[i * 3] = toByte(_pixels[i].r);
    bytes[i * 3 + 1] = toByte(_pixels[i].g);
    bytes[i * 3 + 2] = toByte(_pixels[i].b);
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(_width);
  image.height = uint32_t(_height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr) != 0;
}

void Canvas::drawText(const std::string& text, int x, int y, int scale, const Rgb& colour, float alpha) {
  BitmapFont::drawText(text, x, y, scale,
                       [&](int bx, int by, int size) { fillRect(bx, by, size, size, colour, alpha); });
}
