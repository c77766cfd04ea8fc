#pragma once
// One key of an effect variable: the value in force from time on (step kinds) or the value
// at time (floats interpolate between keys).
#include <cstdint>

template <typename T>
struct VariableKey {
  uint32_t time = 0;  // ms of demo time
  T value{};
};
