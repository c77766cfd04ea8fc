#include "SceneTextures.h"

#include <cmath>
#include <functional>

#include "GenMath.h"
#include "TextureImage.h"

namespace scenegen {
namespace {

struct TextureRecipe {
  const char* name;
  int size;
  bool alpha;  // written as RGBA (the opacity map and its base map must both be 32-bit)
  std::function<Rgba(float u, float v)> colour;
};

float clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }
Rgba grey(float g) { return {g, g, g, 1.0f}; }
Rgba mix(const Rgba& a, const Rgba& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 1.0f};
}
// 1 on thin lines every 1/count of the square, 0 between (line width w in cells).
float gridLine(float u, float count, float w) {
  const float f = u * count - std::floor(u * count);
  return (f < w || f > 1.0f - w) ? 1.0f : 0.0f;
}
// Hash of a cell, 0..1.
float cellRandom(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^ seed * 83492791u;
  h = (h ^ (h >> 15)) * 2246822519u;
  h ^= h >> 13;
  return static_cast<float>(h & 0xFFFFu) / 65535.0f;
}

Rgba metal(float u, float v) {
  const float streak = tileNoise(u * 0.0625f, v, 64, 2, 11);  // long horizontal brush lines
  const float blot = tileNoise(u, v, 4, 4, 12);
  float g = 0.55f + 0.2f * streak + 0.15f * (blot - 0.5f);
  // Rivets near the corners of each quarter plate.
  const float pu = u * 2.0f - std::floor(u * 2.0f), pv = v * 2.0f - std::floor(v * 2.0f);
  for (float cu : {0.08f, 0.92f})
    for (float cv : {0.08f, 0.92f}) {
      const float d = std::hypot(pu - cu, pv - cv);
      if (d < 0.035f) g = 0.85f - d * 8.0f;
    }
  if (gridLine(u, 2.0f, 0.006f) > 0.0f || gridLine(v, 2.0f, 0.006f) > 0.0f) g *= 0.45f;
  return {g * 0.95f, g * 0.97f, g, 1.0f};
}

Rgba concrete(float u, float v) {
  const float n = tileNoise(u, v, 8, 5, 21);
  const float tile = std::fmax(gridLine(u, 4.0f, 0.01f), gridLine(v, 4.0f, 0.01f));
  const float g = (0.38f + 0.3f * n) * (1.0f - 0.5f * tile);
  return {g, g * 0.98f, g * 0.95f, 1.0f};
}

Rgba windows(float u, float v) {
  const int cx = static_cast<int>(u * 8.0f), cy = static_cast<int>(v * 16.0f);
  const float fx = u * 8.0f - static_cast<float>(cx), fy = v * 16.0f - static_cast<float>(cy);
  const float wall = 0.12f + 0.06f * tileNoise(u, v, 8, 3, 31);
  if (fx < 0.18f || fx > 0.82f || fy < 0.25f || fy > 0.85f) return {wall, wall, wall * 1.1f, 1.0f};
  const float r = cellRandom(cx, cy, 32);
  if (r < 0.45f) return {0.05f, 0.07f, 0.1f, 1.0f};
  const float b = 0.6f + 0.4f * cellRandom(cx, cy, 33);
  return r < 0.8f ? Rgba{b, b * 0.82f, b * 0.5f, 1.0f} : Rgba{b * 0.6f, b * 0.85f, b, 1.0f};
}

Rgba lightmap(float u, float v) {
  // Pools of light on a dim ground; tiled, so each pool also shows across the borders.
  static const float pools[6][3] = {{0.2f, 0.25f, 0.08f}, {0.7f, 0.15f, 0.05f}, {0.5f, 0.55f, 0.1f},
                                    {0.15f, 0.8f, 0.06f}, {0.85f, 0.7f, 0.07f}, {0.4f, 0.9f, 0.04f}};
  float l = 0.3f + 0.15f * tileNoise(u, v, 4, 3, 41);
  for (const auto& p : pools)
    for (float du : {-1.0f, 0.0f, 1.0f})
      for (float dv : {-1.0f, 0.0f, 1.0f}) {
        const float dx = u - p[0] - du, dy = v - p[1] - dv;
        l += 0.65f * std::exp(-(dx * dx + dy * dy) / (p[2] * p[2]));
      }
  return {clamp01(l * 1.05f), clamp01(l), clamp01(l * 0.88f), 1.0f};
}

Rgba bump(float u, float v) { return grey(0.5f + 0.5f * (tileNoise(u, v, 16, 3, 51) - 0.5f) * 2.0f); }

// An environment picture for sphere-mapped reflection: sky above, a bright horizon, dark ground.
Rgba chrome(float u, float v) {
  const float y = 1.0f - 2.0f * v;  // +1 at the top
  const float x = 2.0f * u - 1.0f;
  Rgba c = y > 0.0f ? mix({0.55f, 0.65f, 0.8f}, {0.1f, 0.2f, 0.45f}, y)
                    : mix({0.35f, 0.3f, 0.28f}, {0.05f, 0.05f, 0.06f}, -y);
  const float horizon = std::exp(-y * y * 200.0f);
  c = mix(c, {1.0f, 0.95f, 0.85f}, horizon * 0.8f);
  const float spot = std::exp(-((x + 0.35f) * (x + 0.35f) + (y - 0.45f) * (y - 0.45f)) * 40.0f);
  return mix(c, {1, 1, 1}, spot);
}

Rgba glow(float u, float v) {
  const float d = std::hypot(u - 0.5f, v - 0.5f) * 2.0f;
  const float core = std::exp(-d * d * 12.0f), halo = clamp01(1.0f - d) * 0.35f;
  const float g = core + halo;
  return {clamp01(g * 0.6f), clamp01(g * 0.85f), clamp01(g * 1.1f), 1.0f};
}

Rgba neon(float u, float v) {
  const float d = std::fabs(v - 0.5f) * 2.0f;  // across the tube
  const float g = std::exp(-d * d * 8.0f) * (0.85f + 0.15f * std::sin(u * 2.0f * kPi * 8.0f));
  return {clamp01(g * 1.2f), clamp01(g * 0.3f), clamp01(g * 0.9f), 1.0f};
}

Rgba grating(float u, float v) {
  const float n = tileNoise(u, v, 8, 3, 61);
  const float g = 0.35f + 0.25f * n;
  return {g * 1.05f, g, g * 0.85f, 1.0f};
}

// White bars, black holes: the grey level becomes the grating's alpha.
Rgba gratingMask(float u, float v) {
  const bool bar = gridLine(u, 8.0f, 0.12f) > 0.0f || gridLine(v, 2.0f, 0.05f) > 0.0f;
  return grey(bar ? 1.0f : 0.0f);
}

Rgba marble(float u, float v) {
  const float n = tileNoise(u, v, 4, 5, 71);
  const float vein = std::pow(std::fabs(std::sin((u * 3.0f + v * 1.0f + n * 2.5f) * kPi)), 0.25f);
  const float g = 0.62f + 0.33f * vein;
  return {g, g * 0.97f, g * 0.93f, 1.0f};
}

Rgba petal(float u, float v) {
  // v runs along the petal (0 at the base), u across it.
  const float vein = 0.5f + 0.5f * std::cos((u - 0.5f) * 2.0f * kPi * 7.0f);
  const float tipWhite = clamp01(v * 1.3f - 0.2f);
  Rgba c = mix({0.55f, 0.05f, 0.25f}, {1.0f, 0.75f, 0.85f}, tipWhite);
  return mix(c, {0.45f, 0.0f, 0.2f}, vein * 0.25f * (1.0f - v));
}

Rgba stem(float u, float v) {
  const float n = tileNoise(u * 4.0f, v * 0.25f, 16, 3, 81);
  return {0.12f + 0.1f * n, 0.35f + 0.25f * n, 0.1f + 0.05f * n, 1.0f};
}

Rgba screen(float u, float v) {
  const float line = std::fmax(gridLine(u, 8.0f, 0.07f), gridLine(v, 8.0f, 0.07f));
  const float vignette = 1.0f - 0.6f * std::hypot(u - 0.5f, v - 0.5f);
  return {0.05f, (0.25f + 0.5f * line) * vignette, (0.12f + 0.2f * line) * vignette, 1.0f};
}

// Cells of a fleshy surface: the distance to the nearest random cell centre darkens the seams.
Rgba flesh(float u, float v) {
  const int cells = 8;
  float nearest = 10.0f;
  const int cx = static_cast<int>(u * cells), cy = static_cast<int>(v * cells);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int x = cx + dx, y = cy + dy;
      const int wx = (x + cells) % cells, wy = (y + cells) % cells;
      const float px = (static_cast<float>(x) + cellRandom(wx, wy, 91)) / cells;
      const float py = (static_cast<float>(y) + cellRandom(wx, wy, 92)) / cells;
      nearest = std::fmin(nearest, std::hypot(u - px, v - py));
    }
  const float t = clamp01(nearest * cells * 1.4f);
  return mix({0.85f, 0.45f, 0.55f}, {0.3f, 0.05f, 0.15f}, t * t);
}

Rgba moss(float u, float v) {
  const float n = tileNoise(u, v, 8, 5, 101), m = tileNoise(u, v, 2, 3, 102);
  return mix({0.08f, 0.12f, 0.1f}, {0.25f, 0.35f, 0.3f}, n * 0.7f + m * 0.3f);
}

Rgba stone(float u, float v) {
  const float n = tileNoise(u, v, 8, 5, 111);
  const float course = gridLine(v, 4.0f, 0.02f);
  const float g = (0.45f + 0.3f * n) * (1.0f - 0.5f * course);
  return {g * 1.02f, g, g * 0.94f, 1.0f};
}

const std::vector<TextureRecipe>& recipes() {
  static const std::vector<TextureRecipe> list = {
      {"metal.png", 256, false, metal},     {"concrete.png", 256, false, concrete},
      {"windows.png", 256, false, windows}, {"lightmap.png", 128, false, lightmap},
      {"bump.png", 128, false, bump},       {"chrome.png", 128, false, chrome},
      {"glow.png", 128, false, glow},       {"neon.png", 64, false, neon},
      {"grating.png", 128, true, grating},  {"grating_mask.png", 128, true, gratingMask},
      {"marble.png", 256, false, marble},   {"petal.png", 128, false, petal},
      {"stem.png", 64, false, stem},        {"screen.png", 128, false, screen},
      {"flesh.png", 128, false, flesh},     {"moss.png", 256, false, moss},
      {"stone.png", 128, false, stone},
  };
  return list;
}

}  // namespace

std::vector<std::string> sceneTextureNames() {
  std::vector<std::string> names;
  for (const TextureRecipe& r : recipes()) names.push_back(r.name);
  return names;
}

bool writeSceneTextures(const std::string& folder) {
  for (const TextureRecipe& r : recipes()) {
    TextureImage image(r.size, r.size);
    image.fill(r.colour);
    if (!image.savePng(folder + "/" + r.name, r.alpha)) return false;
  }
  return true;
}

}  // namespace scenegen
