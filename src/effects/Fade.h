#pragma once
// "Fade": a full-screen quad in its colour whose alpha follows the phase p: 1 - p while fading
// out (from opaque to nothing at p = 1), p while fading in (growing, not clamped above 1).
#include "Effect.h"
#include "FloatVariable.h"

class Fade : public Effect {
 public:
  Fade();

  // Base start, then the blend flag is cleared.
  void start(uint32_t time) override;
  // Draws nothing when the alpha is below 0. Blend (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) while fading
  // out or with the blend flag, else additive (SRC_ALPHA, ONE). "Alpha" is not drawn. Leaves the
  // overlay end state.
  void render(uint32_t time) override;
  // Base handling, then: 22 sets "Speed" to 1 / value (ignored for |value| <= 0.0001), 27 the
  // fade-out flag and 31 the blend flag (both value > 0).
  void handleEvent(const EffectEvent& event) override;

  bool isFadingOut() const { return _fadeOut; }
  bool isBlending() const { return _blend; }

 private:
  FloatVariable _red;
  FloatVariable _green;
  FloatVariable _blue;
  FloatVariable _alpha;  // accepted from the script, not drawn
  bool _fadeOut = true;  // alpha = 1 - p; else alpha = p
  bool _blend = false;   // alpha blending also while fading in
};
