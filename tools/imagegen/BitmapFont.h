#pragma once
// A built-in 5 x 7 dot-matrix font (A-Z, 0-9, space, '.', '-') drawn as square blocks.
#include "Canvas.h"

#include <string>

class BitmapFont {
 public:
  static constexpr int kGlyphWidth = 5;
  static constexpr int kGlyphHeight = 7;
  static constexpr int kAdvance = 6;  // glyph plus one column of spacing

  // Width in pixels of text drawn with blocks of scale x scale pixels (no trailing spacing).
  static int textWidth(const std::string& text, int scale);
  // Draws text with its top-left corner at (x, y); characters without a glyph draw as blanks.
  static void drawText(Canvas& canvas, const std::string& text, int x, int y, int scale, const Rgb& colour,
                       float alpha);

 private:
  // Seven rows of five bits (bit 4 = left column); null for characters without a glyph.
  static const unsigned char* glyph(char c);
};
