#include "Cloud.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "GLGeneration.h"
#include "Perspective.h"
#include "Random.h"
#include "Switches.h"
#include "Texture.h"
#include "TextureManager.h"

namespace {
// Drawing scratch, filled anew by every render of any instance (the texture coordinates and the
// index list are the same for all).
struct SpriteVertex {
  float position[3];
  float uv[2];
};
// The fast path draws both copies of every sprite in one call from one array: the flat copies
// (depth 0) ahead of the deep ones (the vertex array). Additive blending with saturation gives the
// same sum in any order, and each copy keeps its own winding (the flat quad counter-clockwise as
// drawn one by one, the deep one in the index list's order) so culling treats it as before.
// Sprites that magnify the dot everywhere go into a second list drawn with plain linear
// filtering: a magnified dot is filtered from its first level either way, so the picture is the
// same, and the renderer skips choosing mipmap levels per pixel.
SpriteVertex gAll[Cloud::kSprites * 8];                      // flat copies, then the vertex array
SpriteVertex* const gFlat = gAll;                            // the flat copies (fast path only)
SpriteVertex* const gVertices = gAll + Cloud::kSprites * 4;  // the vertex array
constexpr int kDeepBase = Cloud::kSprites * 4;               // index of the first deep vertex
uint16_t gIndices[Cloud::kSprites * 6];
uint16_t gMagnified[Cloud::kSprites * 12];  // fast path: sprites drawn with linear filtering
uint16_t gOthers[Cloud::kSprites * 12];     // fast path: sprites drawn with the dot's own filter
GLuint gLinearSampler = 0;                  // made at first use
GLGeneration gSamplerGeneration;            // window context gLinearSampler was made in

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
  for (auto& path : _paths) {
    for (float& value : path) value = float(nextRandom()) / 32767.0f - 0.5f;
  }
  static const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  std::memset(gAll, 0, sizeof gAll);
  for (int i = 0; i < kSprites; ++i) {
    for (int c = 0; c < 4; ++c) {
      std::memcpy(gVertices[4 * i + c].uv, corners[c], sizeof corners[c]);
      std::memcpy(gFlat[4 * i + c].uv, corners[c], sizeof corners[c]);
    }
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

void Cloud::setFastPath(bool on) { Switches::set(Switch::CloudLiteral, !on); }

bool Cloud::isFastPath() { return !Switches::isOn(Switch::CloudLiteral); }

void Cloud::render(uint32_t time) {
  _drawn = 0;
  if (!_dot) return;
  Perspective::load(45.0, 1.0, 2000.0);
  const float eyeDistance = 600.0f * _depth.valueAt(time);
  glTranslatef(0.0f, 0.0f, -eyeDistance);
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
    const bool fast = isFastPath();
    if (!fast) glBegin(GL_QUADS);
    for (int i = 0; i < n; ++i) {
      const float* path = _paths[i];
      const float x = path[1] * t + path[0] * spreadX;
      const float y = path[3] * t + path[2] * spreadY;
      const float z = path[5] * t + path[4] * spreadZ;
      const float corners[4][2] = {{x - l, y - l}, {x + l, y - l}, {x + l, y + l}, {x - l, y + l}};
      for (int c = 0; c < 4; ++c) {
        SpriteVertex& v = gVertices[4 * i + c];
        if (fast) {
          SpriteVertex& f = gFlat[4 * i + c];
          f.position[0] = corners[c][0];
          f.position[1] = corners[c][1];
        } else {
          glTexCoord2fv(v.uv);
          glVertex3f(corners[c][0], corners[c][1], 0.0f);
        }
        v.position[0] = corners[c][0];
        v.position[1] = corners[c][1];
        v.position[2] = z;
      }
    }
    if (!fast) glEnd();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (fast) {
      glVertexPointer(3, GL_FLOAT, sizeof(SpriteVertex), gAll[0].position);
      glTexCoordPointer(2, GL_FLOAT, sizeof(SpriteVertex), gAll[0].uv);
      drawBothCopies(n, l, eyeDistance);
    } else {
      glVertexPointer(3, GL_FLOAT, sizeof(SpriteVertex), gVertices[0].position);
      glTexCoordPointer(2, GL_FLOAT, sizeof(SpriteVertex), gVertices[0].uv);
      glDrawElements(GL_TRIANGLES, 6 * n, GL_UNSIGNED_SHORT, gIndices);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
  }
  glDepthMask(GL_TRUE);
  _drawn = n;
}

void Cloud::drawBothCopies(int n, float halfSize, float eyeDistance) {
  // The smallest on-screen size of a sprite that still magnifies the dot everywhere: one texel
  // per pixel, with a margin for the renderer's rounding of the level of detail.
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  const float texels = float(std::max(_dot->getWidth(), _dot->getHeight()));
  // A sprite at eye distance d covers 2 halfSize x scale / d pixels along each axis.
  const float scale = std::min(projection[0] * float(viewport[2]), projection[5] * float(viewport[3])) * 0.5f;
  const float magnifyingDistance = 2.0f * halfSize * scale / (texels * 1.01f);
  int magnified = 0, others = 0;
  auto add = [](uint16_t* list, int& count, const uint16_t(&quad)[6]) {
    std::memcpy(list + count, quad, sizeof quad);
    count += 6;
  };
  const bool flatMagnified = eyeDistance > 0.0f && eyeDistance <= magnifyingDistance;
  for (int i = 0; i < n; ++i) {
    const uint16_t a = uint16_t(4 * i), b = uint16_t(kDeepBase + 4 * i);
    const uint16_t flat[6] = {a, uint16_t(a + 1), uint16_t(a + 2), a, uint16_t(a + 2), uint16_t(a + 3)};
    const uint16_t deep[6] = {b, uint16_t(b + 2), uint16_t(b + 1), uint16_t(b + 2), b, uint16_t(b + 3)};
    if (flatMagnified)
      add(gMagnified, magnified, flat);
    else
      add(gOthers, others, flat);
    const float d = eyeDistance - gVertices[4 * i].position[2];
    if (d > 0.0f && d <= magnifyingDistance)
      add(gMagnified, magnified, deep);
    else
      add(gOthers, others, deep);
  }
  if (others > 0) glDrawElements(GL_TRIANGLES, others, GL_UNSIGNED_SHORT, gOthers);
  if (magnified > 0) {
    if (gSamplerGeneration.changed()) gLinearSampler = 0;  // went with its context
    if (!gLinearSampler) {
      GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT, magFilter = GL_LINEAR;
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
      glGenSamplers(1, &gLinearSampler);
      glSamplerParameteri(gLinearSampler, GL_TEXTURE_WRAP_S, wrapS);
      glSamplerParameteri(gLinearSampler, GL_TEXTURE_WRAP_T, wrapT);
      glSamplerParameteri(gLinearSampler, GL_TEXTURE_MAG_FILTER, magFilter);
      glSamplerParameteri(gLinearSampler, GL_TEXTURE_MIN_FILTER, magFilter);
    }
    GLint unit = GL_TEXTURE0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glBindSampler(GLuint(unit - GL_TEXTURE0), gLinearSampler);
    glDrawElements(GL_TRIANGLES, magnified, GL_UNSIGNED_SHORT, gMagnified);
    glBindSampler(GLuint(unit - GL_TEXTURE0), 0);
  }
}
