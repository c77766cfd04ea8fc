#include "Oscillo.h"

#include "ErrorReport.h"
#include "ScreenHelpers.h"
#include "SoundCapture.h"
#include "VelmorMusic.h"

Oscillo::Oscillo() : Effect("Osc") {
  registerColour(_red, _green, _blue, _alpha, 1.0f, 1.0f, 1.0f, 0.5f);
  registerFloat(_xPos, "xPos", 0.4f);
  registerFloat(_yPos, "yPos", 0.4f);
  registerFloat(_width, "Width", 0.4f);
  registerFloat(_height, "Height", 0.4f);
  _scope = std::make_unique<Oscilloscope>();
}

Oscillo::~Oscillo() {
  if (_ready) SoundCapture::instance().stop();
}

void Oscillo::start(uint32_t time) {
  Effect::start(time);
  // Without sound (no audio device) the show goes on silently: the trace is left out.
  if (!isSoundInitialised()) {
    reportError(__FILE__, __LINE__, "Oscillo: sound not inited", false);
    return;
  }
  // A repeated start replaces the capture's unit instead of adding one.
  SoundCapture::instance().start(soundLibrary());
  _ready = true;
}

void Oscillo::render(uint32_t time) {
  if (!_ready) return;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  _scope->setColor(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time));
  PBuffer* picture = _scope->draw(SoundCapture::instance());
  if (picture) {
    picture->bind(WGL_FRONT_LEFT_ARB);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
    setOrthoProjection();
    drawQuad(ScreenRect{_xPos.valueAt(time), _yPos.valueAt(time), _width.valueAt(time), _height.valueAt(time)});
    picture->release(WGL_FRONT_LEFT_ARB);
  }
  glBlendEquation(GL_FUNC_ADD);
  glDisable(GL_BLEND);
  glColor3f(1.0f, 1.0f, 1.0f);
}
