#include "EditClock.h"

#include <chrono>
#include <limits>

namespace {
int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

EditClock::SourceFn gSource = steadyMs;
bool gPaused = false;
int64_t gFrozen = 0;  // counter value while paused
int64_t gLost = 0;    // real ms taken out of the counter (pauses, time held at the limit)
int64_t gLimit = std::numeric_limits<int64_t>::max();
}  // namespace

int64_t EditClock::counter() {
  if (gPaused) return gFrozen;
  const int64_t value = gSource() - gLost;
  return value < gLimit ? value : gLimit;
}

void EditClock::pause() {
  if (gPaused) return;
  gFrozen = counter();
  gPaused = true;
}

void EditClock::resume() {
  if (!gPaused) return;
  gPaused = false;
  gLost = gSource() - gFrozen;  // continues from the frozen value
}

bool EditClock::paused() { return gPaused; }

void EditClock::setLimit(int64_t limit) {
  // A counter held at the old limit goes on from there, not from real time.
  if (!gPaused) gLost = gSource() - counter();
  gLimit = limit;
}

void EditClock::setSourceForTest(SourceFn source) { gSource = source ? source : steadyMs; }
