#include "Random.h"

namespace {
uint32_t gState = 1;
}  // namespace

void seedRandom(uint32_t seed) { gState = seed; }

uint32_t randomState() { return gState; }

int32_t nextRandom() {
  gState = gState * 214013u + 2531011u;
  return static_cast<int32_t>((gState >> 16) & 0x7FFFu);
}
