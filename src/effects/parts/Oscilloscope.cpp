#include "Oscilloscope.h"

#include "SoundCapture.h"

Oscilloscope::Oscilloscope() {
  _target.initialize(_size, _size, false);
  _target.createTexture(GL_REPEAT, GL_LINEAR, GL_NEAREST);
}

void Oscilloscope::setColor(float red, float green, float blue, float alpha) {
  _red = red;
  _green = green;
  _blue = blue;
  _alpha = alpha;
}

PBuffer* Oscilloscope::draw(const SoundCapture& capture) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  if (_target.isInitialized()) {
    _target.enable();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    drawTrace(capture);
    _target.disable();
  }
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  return _target.isInitialized() ? &_target : nullptr;
}

void Oscilloscope::drawTrace(const SoundCapture& capture) {
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glColor4f(_red, _green, _blue, _alpha);

  // One index load per frame: the block after the one the mixer fills next is the oldest
  // complete block. The last point reads one sample past the block (the ring's spare samples);
  // reads outside the ring give 0.
  const int32_t start = capture.traceStart(capture.blockIndex());
  const float step = static_cast<float>(capture.blockLength()) / static_cast<float>(_sampleCount);
  glLineWidth(4.0f);
  glBegin(GL_LINE_STRIP);
  float s = 0.0f;
  for (int32_t i = 0; i <= _sampleCount; ++i) {
    const int32_t sample = capture.sample(start + static_cast<int32_t>(s));
    glVertex2f(static_cast<float>(i) / static_cast<float>(_sampleCount),
               (static_cast<float>(sample) + 32768.0f) / 65536.0f);
    s += step;
  }
  glEnd();
  glLineWidth(1.0f);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
}
