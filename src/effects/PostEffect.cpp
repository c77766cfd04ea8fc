#include "PostEffect.h"

#include "ScreenHelpers.h"

PostEffect::PostEffect(const std::string& name, GLbitfield clearMask, bool colourVariables)
    : Effect(name), _clearMask(clearMask) {
  if (colourVariables) registerColour(_red, _green, _blue, _alpha, 1.0f, 1.0f, 1.0f, 1.0f);
}

void PostEffect::createBuffer(PBuffer& buffer, int width, int height, GLint magFilter, bool listed) {
  if (buffer.initialize(width, height, false)) {
    buffer.createTexture(GL_REPEAT, GL_LINEAR, magFilter);
    buffer.enable();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);  // restored by disable with the rest of the state
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    buffer.disable();
  }
  if (listed) addBuffer(buffer);
}

void PostEffect::addBuffer(PBuffer& buffer) { _buffers.push_back(&buffer); }

void PostEffect::afterInput(PBuffer&) {}

bool PostEffect::enterLink() {
  if (!_linkedEffect || _passing) return false;
  _passing = true;
  return true;
}

void PostEffect::start(uint32_t time) {
  Effect::start(time);
  if (!enterLink()) return;
  startLinked(time);
  leaveLink();
}

void PostEffect::startLinked(uint32_t time) {
  _linkedEffect->start(time);
  for (PBuffer* buffer : _buffers) {
    if (!buffer->isInitialized()) continue;
    buffer->enable();
    _linkedEffect->start(time);
    buffer->disable();
  }
}

void PostEffect::update(uint32_t time) {
  Effect::update(time);
  if (!enterLink()) return;
  runInputPass(time);
  leaveLink();
}

void PostEffect::runInputPass(uint32_t time) {
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  for (PBuffer* buffer : _buffers) {
    if (!buffer->isInitialized()) continue;
    buffer->enable();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(_clearMask);
    _linkedEffect->update(time);
    _linkedEffect->render(time);
    afterInput(*buffer);
    buffer->disable();
  }
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void PostEffect::beginScreenPass(bool yDown) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  if (yDown)
    setOrthoProjectionFlipped();
  else
    setOrthoProjection();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
}

void PostEffect::beginPictureOverlay() {
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  setOrthoProjectionFlipped();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void PostEffect::endScreenPass() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void PostEffect::drawBufferQuad() {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(0.0f, 1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(1.0f, 0.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(0.0f, 0.0f);
  glEnd();
}
