#pragma once
// What each registered effect offers a script author: summary, variable meanings, events and
// string lists (kinds and defaults come from the instances). Read by the reference and the lint
// through the registry rows.
#include "EffectDescription.h"

class EffectDescriptions {
 public:
  // The description of the registry name; null for a name without one.
  static const EffectDescription* find(const char* name);
};
