#include "Flash.h"

#include <algorithm>
#include <cmath>

#include "OverlayState.h"
#include "ScreenHelpers.h"

Flash::Flash() : Effect("Flash") {
  registerBool(_add, "Add", true);
  registerBool(_repeat, "Repeat", true);
  enablePattern(true);
}

void Flash::onPatternStep(float phase) { _trigger = phase; }

float Flash::intensity(float phase, float trigger) {
  // Truncation toward zero as an integer; the bounds keep huge phase differences from
  // overflowing the conversion (NaN fails the comparison and counts as the low bound).
  const double scaled = static_cast<double>(phase - trigger) * 255.0;
  const double bounded = (scaled >= -1.0e6) ? std::min(scaled, 1.0e6) : -1.0e6;
  const int32_t n = 255 - static_cast<int32_t>(bounded);
  const float level = std::exp(static_cast<float>(n) / 255.0f) / std::exp(1.0f);
  return std::clamp(level, 0.0f, 1.0f);
}

void Flash::render(uint32_t time) {
  if (getPatternValue() == '0') return;
  const float level = intensity(_phase, _trigger);
  // Most of a step the flash has decayed below what an 8-bit colour channel can show: the quad
  // would change no pixel, and it costs a full-screen pass.
  if (level < kInvisibleLevel) return;
  if (_add.valueAt(time))
    OverlayState::begin(GL_ONE, GL_ONE);
  else
    OverlayState::begin(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(level, level, level, level);
  drawQuad(ScreenRect{});
  OverlayState::end();
}
