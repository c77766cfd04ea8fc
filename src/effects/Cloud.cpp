#include "Cloud.h"

#include <cmath>
#include <cstring>

#include "Perspective.h"
#include "Random.h"
#include "Texture.h"
#include "TextureManager.h"

namespace {
// Process-wide: every construction remakes them.
float gPaths[Cloud::kSprites][6];  // start x, drift x, start y, drift y, start z, drift z
struct SpriteVertex {
  float position[3];
  float uv[2];
};
SpriteVertex gVertices[Cloud::kSprites * 4];
uint16_t gIndices[Cloud::kSprites * 6];

Texture* findDot() { return TextureManager::getInstance().getTexture(Cloud::kDotImage, "", GL_TEXTURE_2D); }
}  // namespace

Cloud::Cloud() : Effect("Cloud") {
  registerColour(_red, _green, _blue, _alpha, 0.1f, 0.1f, 0.1f, 0.3f);
  registerFloat(_x, "X", 0.5f);
  registerFloat(_y, "Y", 0.5f);
  registerFloat(_z, "Z", 0.5f);
  registerFloat(_depth, "Depth", 0.5f);
  registerFloat(_dim, "Dim", 0.3f);
  registerFloat(_num, "Num", 1.0f);
  for (auto& path : gPaths) {
    for (float& value : path) value = float(nextRandom()) / 32767.0f - 0.5f;
  }
  static const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  std::memset(gVertices, 0, sizeof gVertices);
  for (int i = 0; i < kSprites; ++i) {
    for (int c = 0; c < 4; ++c) std::memcpy(gVertices[4 * i + c].uv, corners[c], sizeof corners[c]);
    const uint16_t a = uint16_t(4 * i);
    const uint16_t indices[6] = {a, uint16_t(a + 2), uint16_t(a + 1), uint16_t(a + 2), a, uint16_t(a + 3)};
    std::memcpy(&gIndices[6 * i], indices, sizeof indices);
  }
  _dot = findDot();
}

void Cloud::start(uint32_t time) {
  Effect::start(time);
  if (!_dot) _dot = findDot();
}

int Cloud::spriteCount(float num) {
  const float n = std::trunc(float(kSprites) * num);
  if (!(n > 0.0f)) return 0;  // NaN too
  return n >= float(kSprites) ? kSprites : int(n);
}

void Cloud::render(uint32_t time) {
  _drawn = 0;
  if (!_dot) return;
  Perspective::load(45.0, 1.0, 2000.0);
  glTranslatef(0.0f, 0.0f, -600.0f * _depth.valueAt(time));
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_LIGHTING);
  glColor4f(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time) + _pulse);
  _dot->bind();
  const int n = spriteCount(_num.valueAt(time));
  if (n > 0) {
    const float t = 0.05f * _phase;
    const float l = 50.0f * _dim.valueAt(time);
    const float spreadX = 400.0f * _x.valueAt(time), spreadY = 400.0f * _y.valueAt(time);
    const float spreadZ = 400.0f * _z.valueAt(time);
    glBegin(GL_QUADS);
    for (int i = 0; i < n; ++i) {
      const float* path = gPaths[i];
      const float x = path[1] * t + path[0] * spreadX;
      const float y = path[3] * t + path[2] * spreadY;
      const float z = path[5] * t + path[4] * spreadZ;
      const float corners[4][2] = {{x - l, y - l}, {x + l, y - l}, {x + l, y + l}, {x - l, y + l}};
      for (int c = 0; c < 4; ++c) {
        SpriteVertex& v = gVertices[4 * i + c];
        glTexCoord2fv(v.uv);
        glVertex3f(corners[c][0], corners[c][1], 0.0f);
        v.position[0] = corners[c][0];
        v.position[1] = corners[c][1];
        v.position[2] = z;
      }
    }
    glEnd();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(SpriteVertex), gVertices[0].position);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(SpriteVertex), gVertices[0].uv);
    glDrawElements(GL_TRIANGLES, 6 * n, GL_UNSIGNED_SHORT, gIndices);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
  }
  glDepthMask(GL_TRUE);
  _drawn = n;
}
