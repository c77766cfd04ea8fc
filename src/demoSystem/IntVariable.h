#pragma once
// A whole-number parameter, often an index into one of the effect's string lists (count is
// then the number of choices). Script numbers are truncated toward zero. Step sampling.
#include "NumberVariable.h"

class IntVariable : public NumberVariable<uint32_t> {
 public:
  IntVariable() = default;

  uint32_t valueAt(uint32_t time) { return stepValueAt(time); }

  // x truncated toward zero and taken modulo 2^32 (so -1 gives 4294967295); NaN and
  // magnitudes of 2^63 or more give 0 instead of undefined behaviour.
  static uint32_t truncate(float x);

  void setValue(float x, uint32_t time) override;
  float normalizedValue() const override;
  float sample(uint32_t time) override;

 private:
  uint32_t fromNumber(float x) const override { return truncate(x); }
  // Divided by count - 1 (by 1 with fewer than two choices).
  float toNumber(const uint32_t& value) const override;
};
