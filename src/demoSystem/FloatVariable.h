#pragma once
// A real-valued parameter, linear between keys (interpolation 2); any other interpolation
// mode ignores the keys and yields the current value.
#include "NumberVariable.h"

class FloatVariable : public NumberVariable<float> {
 public:
  FloatVariable() = default;

  // Linear between the two keys around time; the current value with fewer than two keys, after
  // the last key, or when interpolation is not 2. Every result is recorded in lastValue.
  float valueAt(uint32_t time);

  void setValue(float x, uint32_t time) override;
  float normalizedValue() const override;
  float sample(uint32_t time) override;

 private:
  float fromNumber(float x) const override { return x; }
  float toNumber(const float& value) const override { return value; }
  float interpolate(uint32_t t) const;
};
