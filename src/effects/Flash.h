#pragma once
// "Flash": a full-screen white flash at every beat-pattern step that is not '0', decaying with
// the phase: intensity e^(n / 255) / e, n = 255 - truncate((p - trigger) x 255), so 1 right
// after the step and 1/e one unit of p later.
#include "BoolVariable.h"
#include "Effect.h"

class Flash : public Effect {
 public:
  Flash();

  // The trigger becomes the phase of the new step.
  void onPatternStep(float phase) override;
  // Below this intensity the flash changes no pixel of an 8-bit target (it rounds to 0 there and
  // adds or covers nothing), so it is not drawn.
  static constexpr float kInvisibleLevel = 0.4f / 255.0f;

  // Nothing while the pattern character is '0' or the intensity is below kInvisibleLevel. Otherwise colour (I, I, I, I)
  // blended additively (ONE, ONE) with "Add", else (SRC_ALPHA, ONE_MINUS_SRC_ALPHA). Leaves the overlay end state.
  void render(uint32_t time) override;

  float getTrigger() const { return _trigger; }
  // The intensity for phase and trigger, in 0 to 1 (GL clamps colours to that range anyway).
  static float intensity(float phase, float trigger);

 private:
  BoolVariable _add;      // "Add": additive blending
  BoolVariable _repeat;   // "Repeat": accepted from the script, not used by the drawing
  float _trigger = 0.0f;  // phase at the last pattern step
};
