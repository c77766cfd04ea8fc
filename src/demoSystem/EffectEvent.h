#pragma once
// A scheduled event: delivered once, when the frame time reaches time, to the first instance
// named effectName (through Effect::handleEvent).
#include <cstdint>
#include <string>

struct EffectEvent {
  uint32_t time = 0;                     // ms of demo time at which the event is due
  std::string effectName;                // target instance
  int32_t type = 0;                      // event type code (0 start, 2 link, 5 pulse, 19 time offset, effect codes)
  float value = 0.0f;                    // first number of the line (0 when none)
  std::string text;                      // quoted text (empty when none)
  float values[3] = {0.0f, 0.0f, 0.0f};  // value and the line's first two extra numbers
};
