#pragma once
// The number kinds (BoolVariable, FloatVariable, IntVariable): keys written, copied and replaced
// through the kind's conversion of a script number, and no string keys (those calls do nothing).
#include "TypedVariable.h"

template <typename T>
class NumberVariable : public TypedVariable<T> {
 public:
  using Key = typename TypedVariable<T>::Key;
  using typename EffectVariable::NumberKeys;
  using typename EffectVariable::StringKeys;

  void copyKeysTo(NumberKeys& keys) const override {
    for (const Key& k : this->_keys) keys.push_back({k.time, toNumber(k.value)});
  }
  void replaceKeys(const NumberKeys& keys) override {
    this->_keys.clear();
    for (const VariableKey<float>& k : keys) this->_keys.push_back(Key{k.time, fromNumber(k.value)});
  }
  void setKey(float x, uint32_t time) override { this->writeKey(fromNumber(x), time); }

  void setString(const std::string&, uint32_t) override {}
  void setStringKey(const std::string&, uint32_t) override {}
  std::string stringAt(uint32_t) override { return std::string(); }
  void copyStringKeysTo(StringKeys&) const override {}
  void replaceStringKeys(const StringKeys&) override {}

 protected:
  NumberVariable() = default;
  ~NumberVariable() = default;

  // A script number (or a number key) as a key value of the kind.
  virtual T fromNumber(float x) const = 0;
  // A key value as the number copyKeysTo hands out.
  virtual float toNumber(const T& value) const = 0;
};
