#include "Overlay.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cctype>

#include "BitmapFont.h"

namespace {
void block(int x, int y, int w, int h) {
  glVertex2i(x, y);
  glVertex2i(x + w, y);
  glVertex2i(x + w, y + h);
  glVertex2i(x, y + h);
}
}  // namespace

void Overlay::draw(const std::vector<Line>& lines, int width, int height) {
  if (lines.empty()) return;
  int textWidth = 0;
  for (const Line& line : lines) textWidth = std::max(textWidth, BitmapFont::textWidth(line.text, kScale));

  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, width, height, 0.0, -1.0, 1.0);  // pixels, y down like the font
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glBegin(GL_QUADS);
  glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
  block(0, 0, textWidth + 2 * kMargin, int(lines.size()) * kLineHeight + 2 * kMargin - 2 * kScale);
  int y = kMargin;
  for (const Line& line : lines) {
    if (line.warning)
      glColor4f(1.0f, 0.35f, 0.3f, 1.0f);
    else
      glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    std::string upper = line.text;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    BitmapFont::drawText(upper, kMargin, y, kScale, [](int bx, int by, int size) { block(bx, by, size, size); });
    y += kLineHeight;
  }
  glEnd();

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

std::vector<Overlay::Line> Overlay::wrap(const Line& line, size_t columns) {
  std::vector<Line> out;
  if (columns == 0) return out;
  for (size_t at = 0; at < line.text.size() || out.empty(); at += columns) {
    out.push_back({line.text.substr(at, columns), line.warning});
    if (line.text.empty()) break;
  }
  return out;
}
