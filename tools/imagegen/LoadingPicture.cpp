#include "LoadingPicture.h"

#include "BitmapFont.h"

#include <cmath>
#include <cstdint>

namespace {

const float kPi = 3.14159265f;

// A small deterministic generator, so the picture is the same on every build.
class Sequence {
 public:
  explicit Sequence(uint32_t seed) : _state(seed) {}
  float next() {  // 0..1
    _state = _state * 1664525u + 1013904223u;
    return float(_state >> 8) / float(1u << 24);
  }

 private:
  uint32_t _state;
};

Rgb mix(const Rgb& a, const Rgb& b, float t) {
  return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

}  // namespace

Canvas LoadingPicture::draw() {
  Canvas canvas(kWidth, kHeight);
  drawBackground(canvas);
  drawWaves(canvas);
  drawStars(canvas);
  drawTitle(canvas);
  return canvas;
}

void LoadingPicture::drawBackground(Canvas& canvas) {
  const Rgb top{0.015f, 0.02f, 0.07f}, bottom{0.10f, 0.03f, 0.14f}, glow{0.05f, 0.22f, 0.30f};
  for (int y = 0; y < canvas.height(); ++y) {
    const float t = float(y) / float(canvas.height() - 1);
    const Rgb row = mix(top, bottom, t);
    for (int x = 0; x < canvas.width(); ++x) {
      // A wide elliptical glow behind the title.
      const float dx = (x - canvas.width() * 0.5f) / (canvas.width() * 0.45f);
      const float dy = (y - canvas.height() * 0.42f) / (canvas.height() * 0.30f);
      const float g = std::exp(-(dx * dx + dy * dy) * 1.6f);
      canvas.set(x, y, Rgb{row.r + glow.r * g, row.g + glow.g * g, row.b + glow.b * g});
    }
  }
}

void LoadingPicture::drawWaves(Canvas& canvas) {
  Sequence random(17);
  const Rgb cyan{0.25f, 0.85f, 1.0f}, magenta{0.9f, 0.3f, 0.85f};
  const int lines = 28;
  for (int i = 0; i < lines; ++i) {
    const float base = canvas.height() * (0.55f + 0.40f * float(i) / lines);
    const float amplitude = 6.0f + 26.0f * random.next();
    const float frequency = 1.0f + 2.5f * random.next();
    const float phase = 2.0f * kPi * random.next();
    const Rgb colour = mix(cyan, magenta, random.next());
    const float strength = 0.06f + 0.10f * random.next();
    for (int x = 0; x < canvas.width(); ++x) {
      const float u = float(x) / canvas.width();
      const float y = base + amplitude * std::sin(2.0f * kPi * frequency * u + phase) +
                      0.4f * amplitude * std::sin(7.0f * kPi * u + phase * 1.7f);
      // Brighter towards the middle of the screen, fading at both borders.
      const float fade = std::sin(kPi * u);
      for (int d = -2; d <= 2; ++d) {
        const float falloff = 1.0f - std::fabs(y - std::floor(y) - 0.5f + float(d)) / 2.5f;
        if (falloff > 0) canvas.add(x, int(std::floor(y)) + d, colour, strength * falloff * fade);
      }
    }
  }
}

void LoadingPicture::drawStars(Canvas& canvas) {
  Sequence random(4711);
  for (int i = 0; i < 160; ++i) {
    const int x = int(random.next() * canvas.width());
    const int y = int(random.next() * canvas.height() * 0.6f);
    const float brightness = 0.2f + 0.6f * random.next() * random.next();
    canvas.add(x, y, Rgb{0.8f, 0.9f, 1.0f}, brightness);
  }
}

void LoadingPicture::drawTitle(Canvas& canvas) {
  const std::string title = "VELMOR DRIFT";
  const int scale = 8;
  const int titleX = (canvas.width() - BitmapFont::textWidth(title, scale)) / 2;
  const int titleY = 200;
  // Glow: the title smeared around its position at low weight, then the title itself.
  for (int dy = -6; dy <= 6; dy += 2)
    for (int dx = -6; dx <= 6; dx += 2)
      canvas.drawText(title, titleX + dx, titleY + dy, scale, Rgb{0.2f, 0.7f, 1.0f}, 0.035f);
  canvas.drawText(title, titleX + 4, titleY + 4, scale, Rgb{0.0f, 0.0f, 0.05f}, 0.6f);
  canvas.drawText(title, titleX, titleY, scale, Rgb{0.92f, 0.97f, 1.0f}, 1.0f);

  const std::string tag = "RK17";
  const int tagScale = 4;
  canvas.drawText(tag, (canvas.width() - BitmapFont::textWidth(tag, tagScale)) / 2, titleY + 84,
                       tagScale, Rgb{0.95f, 0.45f, 0.85f}, 1.0f);

  const std::string loading = "LOADING";
  const int loadingScale = 3;
  const int loadingX = (canvas.width() - BitmapFont::textWidth(loading, loadingScale)) / 2;
  canvas.drawText(loading, loadingX, 500, loadingScale, Rgb{0.8f, 0.9f, 1.0f}, 0.9f);
  // A thin rule under the word.
  canvas.fillRect(loadingX - 40, 532, BitmapFont::textWidth(loading, loadingScale) + 80, 2, Rgb{0.3f, 0.8f, 1.0f},
                  0.7f);
}
