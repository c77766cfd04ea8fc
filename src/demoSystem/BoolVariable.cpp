#include "BoolVariable.h"

void BoolVariable::setValue(float x, uint32_t time) {
  _value = x > 0.0f;
  setValueOfKeyAt(time, _value);
}

float BoolVariable::normalizedValue() const { return _value ? 1.0f : 0.0f; }

float BoolVariable::sample(uint32_t time) { return valueAt(time) ? 1.0f : 0.0f; }
