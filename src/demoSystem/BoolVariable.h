#pragma once
// An on/off parameter; script numbers above 0 are true. Step sampling.
#include "NumberVariable.h"

class BoolVariable : public NumberVariable<bool> {
 public:
  BoolVariable() = default;

  bool valueAt(uint32_t time) { return stepValueAt(time); }

  void setValue(float x, uint32_t time) override;
  float normalizedValue() const override;
  float sample(uint32_t time) override;

 private:
  bool fromNumber(float x) const override { return x > 0.0f; }
  float toNumber(const bool& value) const override { return value ? 1.0f : 0.0f; }
};
