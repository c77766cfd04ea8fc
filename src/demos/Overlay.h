#pragma once
// The edit session's overlay: lines of text in the built-in bitmap font on a dark panel in the
// top-left corner, drawn over the finished frame. Restores the GL state the effects expect.
#include <cstddef>
#include <string>
#include <vector>

class Overlay {
 public:
  struct Line {
    std::string text;      // drawn upper-case; characters without a glyph leave a blank
    bool warning = false;  // red instead of white
  };

  static constexpr int kScale = 2;   // pixels per font block
  static constexpr int kMargin = 8;  // pixels around the text
  static constexpr int kLineHeight = 9 * kScale;

  // Draws lines into the current frame buffer of width x height pixels.
  static void draw(const std::vector<Line>& lines, int width, int height);
  // Lines of text cut into pieces of at most columns characters.
  static std::vector<Line> wrap(const Line& line, size_t columns);
};
