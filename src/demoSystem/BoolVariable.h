#pragma once
// An on/off parameter; script numbers above 0 are true. Step sampling.
#include "TypedVariable.h"

class BoolVariable : public TypedVariable<bool> {
 public:
  BoolVariable() = default;

  bool valueAt(uint32_t time) { return stepValueAt(time); }

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
};
