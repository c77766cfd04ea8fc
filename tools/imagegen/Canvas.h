#pragma once
// An RGB picture in memory, first row at the top, with the few drawing operations the picture
// generators need and a PNG writer.
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  float r, g, b;  // 0..1
};

class Canvas {
 public:
  Canvas(int width, int height);
  int width() const { return _width; }
  int height() const { return _height; }

  Rgb get(int x, int y) const;
  // Outside the canvas: ignored.
  void set(int x, int y, const Rgb& colour);
  // Mixes colour over the pixel with weight alpha (0..1); outside: ignored.
  void blend(int x, int y, const Rgb& colour, float alpha);
  // Adds colour x weight to the pixel (light), clamped when written.
  void add(int x, int y, const Rgb& colour, float weight);
  void fillRect(int x, int y, int w, int h, const Rgb& colour, float alpha);
  // Text in the built-in bitmap font, top-left corner at (x, y), blocks of scale x scale pixels.
  void drawText(const std::string& text, int x, int y, int scale, const Rgb& colour, float alpha);

  // 8-bit RGB PNG; false on failure.
  bool savePng(const std::string& path) const;

 private:
  int _width;
  int _height;
  std::vector<Rgb> _pixels;  // row-major, top row first
};
