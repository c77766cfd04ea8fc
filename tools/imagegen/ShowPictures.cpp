#include "ShowPictures.h"

#include "BitmapFont.h"

#include <cmath>

namespace {

const float kTwoPi = 6.2831853f;

// Text centred horizontally at row y, with a soft glow of glowColour around it.
void glowText(Canvas& canvas, const std::string& text, int y, int scale, const Rgb& colour, const Rgb& glowColour) {
  const int x = (canvas.width() - BitmapFont::textWidth(text, scale)) / 2;
  for (int dy = -8; dy <= 8; dy += 2)
    for (int dx = -8; dx <= 8; dx += 2) canvas.drawText(text, x + dx, y + dy, scale, glowColour, 0.03f);
  canvas.drawText(text, x, y, scale, colour, 1.0f);
}

// A hue on the colour wheel, t in 0..1.
Rgb hue(float t) {
  return Rgb{0.5f + 0.5f * std::cos(kTwoPi * t), 0.5f + 0.5f * std::cos(kTwoPi * (t - 0.333f)),
             0.5f + 0.5f * std::cos(kTwoPi * (t - 0.667f))};
}

}  // namespace

std::vector<ShowPictures::Picture> ShowPictures::drawAll() {
  return {{"title.png", title()}, {"plasma.png", plasma()}, {"grid.png", grid()},
          {"rings.png", rings()}, {"credits.png", credits()}, {"dot.png", dot()}};
}

Canvas ShowPictures::dot() {
  Canvas canvas(64, 64);
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      // Distance from the centre in radii; zero at and beyond the rim, so the edge is black.
      const float dx = (x + 0.5f) / 32.0f - 1.0f, dy = (y + 0.5f) / 32.0f - 1.0f;
      const float r = std::sqrt(dx * dx + dy * dy);
      const float falloff = r >= 1.0f ? 0.0f : (1.0f - r * r) * (1.0f - r * r);
      canvas.set(x, y, Rgb{falloff, falloff, falloff});
    }
  return canvas;
}

Canvas ShowPictures::title() {
  Canvas canvas(1024, 512);
  // A faint horizon line under the title.
  for (int x = 0; x < canvas.width(); ++x) {
    const float u = float(x) / canvas.width();
    const float fade = std::sin(3.14159265f * u);
    for (int d = -3; d <= 3; ++d) canvas.add(x, 330 + d, Rgb{0.2f, 0.6f, 1.0f}, 0.25f * fade * (1.0f - std::abs(d) / 4.0f));
  }
  glowText(canvas, "VELMOR DRIFT", 190, 12, Rgb{0.95f, 0.98f, 1.0f}, Rgb{0.2f, 0.7f, 1.0f});
  glowText(canvas, "RK17", 360, 6, Rgb{1.0f, 0.5f, 0.9f}, Rgb{0.8f, 0.2f, 0.7f});
  return canvas;
}

Canvas ShowPictures::plasma() {
  Canvas canvas(512, 512);
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      // Whole periods across the picture keep it seamless when it repeats.
      const float u = kTwoPi * x / canvas.width(), v = kTwoPi * y / canvas.height();
      const float s = std::sin(2 * u) + std::sin(3 * v) + std::sin(2 * u + 2 * v) + std::cos(u - 4 * v);
      const Rgb c = hue(0.5f + s * 0.125f);
      canvas.set(x, y, Rgb{c.r * 0.9f, c.g * 0.8f, c.b});
    }
  return canvas;
}

Canvas ShowPictures::grid() {
  Canvas canvas(512, 512);
  const int cell = 64;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      const float fy = float(y) / canvas.height();
      Rgb c{0.02f, 0.03f + 0.05f * fy, 0.12f + 0.10f * fy};
      // Distance to the nearest grid line in pixels, with the line at cell borders.
      const int dx = std::min(x % cell, cell - x % cell), dy = std::min(y % cell, cell - y % cell);
      const float line = std::exp(-float(std::min(dx, dy)) * 0.6f);
      const float cross = std::exp(-float(dx + dy) * 0.25f);
      c.r += 0.9f * line * 0.3f + cross * 0.8f;
      c.g += 0.9f * line * 0.8f + cross * 0.6f;
      c.b += 1.0f * line + cross * 0.9f;
      canvas.set(x, y, c);
    }
  return canvas;
}

Canvas ShowPictures::rings() {
  Canvas canvas(512, 512);
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      const float dx = x - 255.5f, dy = y - 255.5f;
      const float r = std::sqrt(dx * dx + dy * dy);
      const float angle = std::atan2(dy, dx);
      const float band = 0.5f + 0.5f * std::cos(r * 0.15f + 3.0f * std::sin(angle * 3.0f));
      const Rgb c = hue(r / 360.0f + 0.1f);
      const float dim = std::exp(-r / 300.0f);
      canvas.set(x, y, Rgb{c.r * band * dim, c.g * band * dim, c.b * band * dim});
    }
  return canvas;
}

Canvas ShowPictures::credits() {
  Canvas canvas(1024, 512);
  glowText(canvas, "VELMOR DRIFT", 120, 8, Rgb{0.95f, 0.98f, 1.0f}, Rgb{0.2f, 0.7f, 1.0f});
  glowText(canvas, "CODE - MUSIC - PIXELS", 230, 4, Rgb{0.8f, 0.9f, 1.0f}, Rgb{0.3f, 0.5f, 1.0f});
  glowText(canvas, "MADE BY OUR OWN TOOLS", 290, 4, Rgb{0.8f, 0.9f, 1.0f}, Rgb{0.3f, 0.5f, 1.0f});
  glowText(canvas, "RK17 - 2026", 380, 5, Rgb{1.0f, 0.5f, 0.9f}, Rgb{0.8f, 0.2f, 0.7f});
  return canvas;
}
