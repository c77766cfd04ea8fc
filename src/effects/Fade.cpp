#include "Fade.h"

#include <cmath>

#include "OverlayState.h"
#include "ScreenHelpers.h"

Fade::Fade() : Effect("Fade") {
  registerColour(_red, _green, _blue, _alpha, 0.0f, 0.0f, 0.0f, 0.0f);
}

void Fade::start(uint32_t time) {
  Effect::start(time);
  _blend = false;
}

void Fade::render(uint32_t time) {
  const float alpha = _fadeOut ? 1.0f - _phase : _phase;
  if (alpha < 0.0f) return;
  if (_fadeOut || _blend)
    OverlayState::begin(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  else
    OverlayState::begin(GL_SRC_ALPHA, GL_ONE);
  glColor4f(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), alpha);
  drawTexturedQuad(nullptr, ScreenRect{});
  OverlayState::end();
}

void Fade::handleEvent(const EffectEvent& event) {
  Effect::handleEvent(event);
  switch (event.type) {
    case 22:
      if (std::fabs(event.value) > 0.0001f) setSpeed(1.0f / event.value);
      break;
    case 27:
      _fadeOut = event.value > 0.0f;
      break;
    case 31:
      _blend = event.value > 0.0f;
      break;
    default:
      break;
  }
}
