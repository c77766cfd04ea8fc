#include "FloatVariable.h"

float FloatVariable::interpolate(uint32_t t) const {
  if (_interpolation != 2 || _keys.size() < 2) return _value;
  for (size_t i = 1; i < _keys.size(); ++i) {
    const Key& k = _keys[i];
    if (k.time < t) continue;
    const Key& p = _keys[i - 1];
    if (t == p.time) return p.value;
    if (t == k.time) return k.value;
    // Keys out of order (only possible through replaceKeys) would divide by zero or wrap.
    if (p.time > t) return p.value;
    const float d = static_cast<float>(k.time - p.time);
    return k.value * static_cast<float>(t - p.time) / d + p.value * static_cast<float>(k.time - t) / d;
  }
  return _value;
}

float FloatVariable::valueAt(uint32_t time) {
  const float result = interpolate(time);
  if (result != _lastValue) {
    _lastValue = result;
    _changed = true;
  }
  return result;
}

void FloatVariable::setValue(float x, uint32_t time) {
  float clamped = x;
  if (!(clamped >= 0.0f)) clamped = 0.0f;  // also catches NaN
  if (clamped > 1.0f) clamped = 1.0f;
  _value = clamped;
  setValueOfKeyAt(time, _value);
}

float FloatVariable::normalizedValue() const { return _value; }

float FloatVariable::sample(uint32_t time) { return valueAt(time); }
