#pragma once
// The program's one pseudo-random sequence. Every random choice (noise, sprite paths, spline
// jitter, light flicker, tentacle bends) draws from it, so pictures depend on the call order.
#include <cstdint>

// Sets the process-wide state (1 at program start) to seed.
void seedRandom(uint32_t seed);
// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF, 0 to 32767.
int32_t nextRandom();
// The current state, for putting the sequence back with seedRandom after trial calls.
uint32_t randomState();
