#pragma once
// The counter of the edit session's demo clock (frequency 1000): milliseconds of real time that
// stand still while paused and never pass a limit (the show's end), so the clock can be paused
// and held at the end without touching the clock itself.
#include <cstdint>

class EditClock {
 public:
  using SourceFn = int64_t (*)();  // real time in ms

  // The counter value in ms.
  static int64_t counter();
  // Freezes the counter at its current value; nothing when already paused.
  static void pause();
  // Goes on from the frozen value; nothing when not paused.
  static void resume();
  static bool paused();
  // The counter stops at limit (ms of counter value) while running.
  static void setLimit(int64_t limit);
  // Real time source (null: the steady clock). Tests only.
  static void setSourceForTest(SourceFn source);
};
