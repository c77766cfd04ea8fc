#pragma once
// A whole-number parameter, often an index into one of the effect's string lists (count is
// then the number of choices). Script numbers are truncated toward zero. Step sampling.
#include "TypedVariable.h"

class IntVariable : public TypedVariable<uint32_t> {
 public:
  IntVariable() = default;

  uint32_t valueAt(uint32_t time) { return stepValueAt(time); }

  // x truncated toward zero and taken modulo 2^32 (so -1 gives 4294967295); NaN and
  // magnitudes of 2^63 or more give 0 instead of undefined behaviour.
  static uint32_t truncate(float x);

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
