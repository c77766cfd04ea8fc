#pragma once
// A text parameter (for example the beat pattern). Takes only string keys. Step sampling.
#include "TypedVariable.h"

class StringVariable : public TypedVariable<std::string> {
 public:
  StringVariable() = default;

  std::string valueAt(uint32_t time) { return stepValueAt(time); }

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
