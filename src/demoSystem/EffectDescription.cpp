#include "EffectDescription.h"

const std::vector<EventDescription>& EffectDescription::commonEvents() {
  using T = EventDescription::Text;
  static const std::vector<EventDescription> events = {
      {0, "START", 0, 0, T::None, "restarts the effect's clock (what an `i` line sends)"},
      {2, "LINK", 0, 0, T::Effect, "names the effect whose picture this one takes as its input"},
      {5, "PULSE", 1, 1, T::None, "sets the pulse to \"SpectrumStr\" x value (Spectrum sends it)"},
      {19, "TIMEOFFSET", 1, 1, T::None, "the effect's clock lags by value ms"},
  };
  return events;
}

const std::vector<VariableDescription>& EffectDescription::commonVariables() {
  static const std::vector<VariableDescription> variables = {
      {"Speed", "the phase grows by 0.2 x Speed per ms from the `i` line"},
      {"SpectrumStr", "how strongly pulses (event 5) act"},
      {"Pattern", "beat pattern, one character per DEMO_BEAT step"},
  };
  return variables;
}

const EventDescription* EffectDescription::findEvent(int32_t n) const {
  for (const EventDescription& event : events)
    if (event.number == n) return &event;
  for (const EventDescription& event : commonEvents())
    if (event.number == n) return &event;
  return nullptr;
}
