#pragma once
// A built-in 5 x 7 dot-matrix font (A-Z, 0-9, space and . - : / ! _ ( ) , +) drawn as square
// blocks. The picture generator draws it into its canvases, the program's overlay on screen.
#include <functional>
#include <string>

class BitmapFont {
 public:
  static constexpr int kGlyphWidth = 5;
  static constexpr int kGlyphHeight = 7;
  static constexpr int kAdvance = 6;  // glyph plus one column of spacing

  // Receives one block: top-left corner (x, y), size x size pixels.
  using BlockFn = std::function<void(int x, int y, int size)>;

  // Width in pixels of text drawn with blocks of scale x scale pixels (no trailing spacing).
  static int textWidth(const std::string& text, int scale);
  // Hands every block of text with its top-left corner at (x, y) (y grows downwards) to fill;
  // characters without a glyph leave a blank.
  static void drawText(const std::string& text, int x, int y, int scale, const BlockFn& fill);
  // Seven rows of five bits (bit 4 = left column); null for characters without a glyph.
  static const unsigned char* glyph(char c);
};
