#pragma once
// A real-valued parameter, linear between keys (interpolation 2); any other interpolation
// mode ignores the keys and yields the current value.
#include "TypedVariable.h"

class FloatVariable : public TypedVariable<float> {
 public:
  FloatVariable() = default;

  // Linear between the two keys around time; the current value with fewer than two keys, after
  // the last key, or when interpolation is not 2. Every result is recorded in lastValue.
  float valueAt(uint32_t time);

  void setValue(float x, uint32_t time) override;
  void setString(const std::string& s, uint32_t time) override;
  float normalizedValue() const override;
  float sample(uint32_t time) override;
  void copyKeysTo(NumberKeys& keys) const override;
  void replaceKeys(const NumberKeys& keys) override;
  void setKey(float x, uint32_t time) override;
  void setStringKey(const std::string& s, uint32_t time) override;
  std::string stringAt(uint32_t time) override;
  void copyStringKeysTo(StringKeys& keys) const override;
  void replaceStringKeys(const StringKeys& keys) override;

 private:
  float interpolate(uint32_t t) const;
};
