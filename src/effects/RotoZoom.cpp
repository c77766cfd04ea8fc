#include "RotoZoom.h"

#include <algorithm>
#include <cmath>

#include "ScreenHelpers.h"

RotoZoom::RotoZoom() : PostEffect("RotoZoom", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT) {
  registerFloat(_rotSpeed, "RotSpeed", 0.5f);
  createBuffer(_buffer, 512, 512);
}

float RotoZoom::zoomAt(float phase) {
  const float halfPi = 1.57079632679f;
  return std::max(5.0f * std::sin(0.1f * phase - halfPi) + 5.0f, 1e-7f);
}

void RotoZoom::render(uint32_t time) {
  const float zoom = zoomAt(_phase);
  const float angle = _rotSpeed.valueAt(time) * _phase * 20.0f;  // degrees
  beginScreenPass(true);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glColor4f(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time));
  const bool exists = _buffer.isInitialized();
  if (exists) _buffer.bind(WGL_FRONT_LEFT_ARB);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(0.5f, 0.5f, 0.0f);
  glScalef(zoom, zoom, zoom);
  glRotatef(angle, 0.0f, 0.0f, 1.0f);
  glTranslatef(-0.5f, -0.5f, 0.0f);
  if (exists) drawBufferQuad();
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  endScreenPass();
  if (exists) _buffer.release(WGL_FRONT_LEFT_ARB);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glColor3f(1.0f, 1.0f, 1.0f);
}
