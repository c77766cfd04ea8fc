#include "Tiles.h"

#include <algorithm>

#include "ScreenHelpers.h"

Tiles::Tiles() : PostEffect("Tiles", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT) {
  registerFloat(_rotSpeed, "RotSpeed", 0.5f);
  registerFloat(_fadeSpeed, "FadeSpeed", 0.5f);
  for (int k = 0; k < kTileCount; ++k) _start[k] = 0.6f * static_cast<float>(k);
  createBuffer(_buffer, 512, 512);
}

float Tiles::growthAt(int tile, float phase) const {
  const float sum = 1.0f + 0.02f * phase;  // rounded to single precision before the subtraction
  return std::max(sum - _start[tile], 1.0f);
}

void Tiles::render(uint32_t time) {
  const float red = _red.valueAt(time), green = _green.valueAt(time), blue = _blue.valueAt(time);
  const float rotSpeed = _rotSpeed.valueAt(time), fadeSpeed = _fadeSpeed.valueAt(time);
  beginScreenPass(false);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(red, green, blue, _alpha.valueAt(time));
  if (_buffer.isInitialized()) {
    _buffer.bind(WGL_FRONT_LEFT_ARB);
    const float third = 1.0f / 3.0f, sixth = 1.0f / 6.0f;
    int k = 0;
    for (int i = 1; i <= 3; ++i) {
      for (int j = 0; j < 3; ++j, ++k) {
        const float growth = growthAt(k, _phase);
        glLoadIdentity();
        glTranslatef(static_cast<float>(j + 1) * third - sixth, static_cast<float>(i) * third - sixth, 0.0f);
        glRotatef(rotSpeed * (growth - 1.0f) * 100.0f, 0.0f, 0.0f, 1.0f);
        const float size = (1.0f / growth) / 3.0f;
        glScalef(size, size, 1.0f);
        glTranslatef(-0.5f, -0.5f, 0.0f);
        const float fade = 1.0f - (growth - 1.0f) * fadeSpeed * 10.0f;
        glColor4f(red, green, blue, fade > 0.0f ? fade : 0.0f);
        drawQuadPart(ScreenRect{0.0f, 0.0f, 1.0f, 1.0f},
                     ScreenRect{static_cast<float>(j) * third, static_cast<float>(i) * third, third, -third});
      }
    }
  }
  endScreenPass();
  if (_buffer.isInitialized()) _buffer.release(WGL_FRONT_LEFT_ARB);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glColor3f(1.0f, 1.0f, 1.0f);
}
