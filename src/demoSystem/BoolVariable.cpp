#include "BoolVariable.h"

void BoolVariable::setValue(float x, uint32_t time) {
  _value = x > 0.0f;
  setValueOfKeyAt(time, _value);
}

void BoolVariable::setString(const std::string&, uint32_t) {}

float BoolVariable::normalizedValue() const { return _value ? 1.0f : 0.0f; }

float BoolVariable::sample(uint32_t time) { return valueAt(time) ? 1.0f : 0.0f; }

void BoolVariable::copyKeysTo(NumberKeys& keys) const {
  for (const Key& k : _keys) keys.push_back({k.time, k.value ? 1.0f : 0.0f});
}

void BoolVariable::replaceKeys(const NumberKeys& keys) {
  _keys.clear();
  for (const VariableKey<float>& k : keys) _keys.push_back(Key{k.time, k.value > 0.0f});
}

void BoolVariable::setKey(float x, uint32_t time) { writeKey(x > 0.0f, time); }

void BoolVariable::setStringKey(const std::string&, uint32_t) {}

std::string BoolVariable::stringAt(uint32_t) { return std::string(); }

void BoolVariable::copyStringKeysTo(StringKeys&) const {}

void BoolVariable::replaceStringKeys(const StringKeys&) {}
