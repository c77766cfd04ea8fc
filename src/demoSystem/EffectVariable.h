#pragma once
// A named, typed, time-keyed parameter of an effect. The four kinds (BoolVariable, IntVariable,
// FloatVariable, StringVariable) derive through TypedVariable, the number kinds through
// NumberVariable. Variables are members of their effect and are never deleted through this
// class, hence the protected, non-virtual destructor.
#include "VariableKey.h"

#include <cstdint>
#include <string>
#include <vector>

class EffectVariable {
 public:
  using NumberKeys = std::vector<VariableKey<float>>;
  using StringKeys = std::vector<VariableKey<std::string>>;

  enum TypeCode : int32_t { kFloat = 1, kBool = 2, kInt = 3, kString = 4 };
  enum StringListSelector : int32_t { kStringList0 = 0, kStringList1000 = 1000, kNoStringList = 10000 };

  EffectVariable(const EffectVariable&) = delete;
  EffectVariable& operator=(const EffectVariable&) = delete;

  // Slot 0: current value from a number (bool: x > 0; int: clamped to [0, count - 1]; float:
  // clamped to [0, 1]; string: nothing); a key at exactly time also takes the new value.
  virtual void setValue(float x, uint32_t time) = 0;
  // Slot 1: strings only: current value and the key at exactly time become s; raises changed.
  virtual void setString(const std::string& s, uint32_t time) = 0;
  // Slot 2: the current value on a 0 to 1 scale (strings: 0).
  virtual float normalizedValue() const = 0;
  // Slot 3: the value at time as a number (strings: 0).
  virtual float sample(uint32_t time) = 0;
  // Slot 4: appends every key as (time, number); ints divided by count - 1.
  virtual void copyKeysTo(NumberKeys& keys) const = 0;
  // Slot 5: the keys become the given pairs, converted to the kind (strings: nothing).
  virtual void replaceKeys(const NumberKeys& keys) = 0;
  // Slot 6: exactly two keys of equal value become the current value and no keys.
  virtual void simplify() = 0;
  // Slot 7: writes a key from a script number (strings: nothing).
  virtual void setKey(float x, uint32_t time) = 0;
  // Slot 8: writes a string key (strings only).
  virtual void setStringKey(const std::string& s, uint32_t time) = 0;
  // Slot 9: strings: the key string in force at time, else the current value; others: "".
  virtual std::string stringAt(uint32_t time) = 0;
  // Slot 10: strings: appends every (time, string) key.
  virtual void copyStringKeysTo(StringKeys& keys) const = 0;
  // Slot 11: strings: the keys become the given pairs and changed is raised.
  virtual void replaceStringKeys(const StringKeys& keys) = 0;

  const std::string& getName() const { return _name; }
  int32_t getStringList() const { return _stringList; }
  int32_t getTypeCode() const { return _typeCode; }
  int32_t getInterpolation() const { return _interpolation; }
  void setInterpolation(int32_t mode) { _interpolation = mode; }
  uint32_t getCount() const { return _count; }
  void setCount(uint32_t n) { _count = n; }
  bool isListIndexed() const { return _listIndexed; }
  void setListIndexed(bool on) { _listIndexed = on; }
  bool isTakingStringKeys() const { return _takesStringKeys; }
  void setTakesStringKeys(bool on) { _takesStringKeys = on; }
  bool isChanged() const { return _changed; }
  void clearChanged() { _changed = false; }
  uint32_t getKeyTime() const { return _keyTime; }  // step kinds: time of the key last yielded

  // Keeps the sampling state (changed flag, last yielded key time, last value) in the variable,
  // and puts it back: sampling in between (a trial render) then leaves no trace. One level.
  virtual void saveSampling() = 0;
  virtual void restoreSampling() = 0;
  // Called by Effect::registerVariable.
  void setRegistration(const std::string& name, int32_t stringList, int32_t typeCode);

  // The process-wide end key time (ms): every first key write also places a key here. The
  // script's DEMO_END sets it as soon as it is read; 0 until then; a new load keeps it.
  static uint32_t getEndKeyTime();
  static void setEndKeyTime(uint32_t time);

 protected:
  EffectVariable() = default;
  ~EffectVariable() = default;

  std::string _name;
  int32_t _stringList = kNoStringList;  // which string list of the effect the value indexes
  int32_t _typeCode = 0;                // TypeCode
  int32_t _interpolation = 2;           // floats: 2 = linear between keys; else keys ignored
  uint32_t _count = 1;                  // ints: number of choices (script numbers scale by count - 1)
  bool _listIndexed = false;            // set by effects; not read by the demo system
  bool _takesStringKeys = false;        // strings: quoted script values go to setStringKey
  uint32_t _keyTime = 0;                // ms
  bool _changed = false;                // a key was written or a sampled value changed
  uint32_t _savedKeyTime = 0;           // saveSampling
  bool _savedChanged = false;           // saveSampling
};
