#pragma once
// The lint's checks of keys against DEMO_END: a script without DEMO_END or with keys before it
// (their closing keys land at 0, so spans end at once), float variables of active effects that
// glide back to their first key's value by DEMO_END, END lines before the effect's first BEGIN, and lines timed
// after DEMO_END.
#include "ScriptCheck.h"

class ScriptKeyLint {
 public:
  // Adds its warnings to check.problems (not sorted).
  static void check(ScriptCheck& check);

 private:
  static void checkEndKey(ScriptCheck& check);
  static void checkGlides(ScriptCheck& check);
  static void checkSpans(ScriptCheck& check);
  static void checkLateTimes(ScriptCheck& check);
};
