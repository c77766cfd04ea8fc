#include "IntVariable.h"

#include <cmath>

uint32_t IntVariable::truncate(float x) {
  if (!(std::fabs(x) < 9.2e18f)) return 0;  // NaN, infinities and values beyond int64
  return static_cast<uint32_t>(static_cast<int64_t>(x));
}

void IntVariable::setValue(float x, uint32_t time) {
  // A count of 0 has no choices: clamp to 0 rather than to count - 1 wrapped around.
  const float upper = _count > 0 ? static_cast<float>(_count - 1) : 0.0f;
  float clamped = x;
  if (!(clamped >= 0.0f)) clamped = 0.0f;  // also catches NaN
  if (clamped > upper) clamped = upper;
  _value = truncate(clamped);
  setValueOfKeyAt(time, _value);
}

float IntVariable::normalizedValue() const {
  return _count > 1 ? static_cast<float>(_value) / static_cast<float>(_count - 1) : 0.0f;
}

float IntVariable::sample(uint32_t time) { return static_cast<float>(valueAt(time)); }

float IntVariable::toNumber(const uint32_t& value) const {
  const float divisor = _count > 1 ? static_cast<float>(_count - 1) : 1.0f;
  return static_cast<float>(value) / divisor;
}
