#include "StringVariable.h"

void StringVariable::setValue(float, uint32_t) {}

void StringVariable::setString(const std::string& s, uint32_t time) {
  _value = s;
  setValueOfKeyAt(time, s);
  _changed = true;
}

float StringVariable::normalizedValue() const { return 0.0f; }

float StringVariable::sample(uint32_t) { return 0.0f; }

void StringVariable::copyKeysTo(NumberKeys&) const {}

void StringVariable::replaceKeys(const NumberKeys&) {}

void StringVariable::setKey(float, uint32_t) {}

void StringVariable::setStringKey(const std::string& s, uint32_t time) { writeKey(s, time); }

std::string StringVariable::stringAt(uint32_t time) { return valueAt(time); }

void StringVariable::copyStringKeysTo(StringKeys& keys) const {
  for (const Key& k : _keys) keys.push_back(k);
}

void StringVariable::replaceStringKeys(const StringKeys& keys) {
  _keys = keys;
  _changed = true;
}
