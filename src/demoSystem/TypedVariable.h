#pragma once
// The key list and current value shared by the four variable kinds: key writing with the end
// key time, step sampling and simplification. Floats override sampling with interpolation.
#include "EffectVariable.h"

#include <cstddef>
#include <vector>

template <typename T>
class TypedVariable : public EffectVariable {
 public:
  using Key = VariableKey<T>;

  // The current value: yielded with fewer than two keys and at or after the last key.
  const T& getCurrentValue() const { return _value; }
  // Direct write of the current value (effects set their defaults this way); no clamping.
  void setCurrentValue(const T& v) { _value = v; }
  const std::vector<Key>& getKeys() const { return _keys; }
  const T& getLastValue() const { return _lastValue; }

  void simplify() override {
    if (_keys.size() == 2 && _keys[0].value == _keys[1].value) {
      _value = _keys[0].value;
      _keys.clear();
    }
  }

  void saveSampling() override {
    _savedKeyTime = _keyTime;
    _savedChanged = _changed;
    _savedLastValue = _lastValue;
  }
  void restoreSampling() override {
    _keyTime = _savedKeyTime;
    _changed = _savedChanged;
    _lastValue = _savedLastValue;
  }

 protected:
  TypedVariable() = default;
  ~TypedVariable() = default;

  // The first write to an empty list places (0, v), (time, v) unless time is 0 or the end key
  // time, and (end key time, v), so it fills the whole show. Later writes replace the key at time
  // or insert before the first later key; a time after every key is dropped. Raises changed.
  void writeKey(const T& v, uint32_t time) {
    const uint32_t endKey = getEndKeyTime();
    if (_keys.empty()) {
      _keys.push_back(Key{0, v});
      if (time != 0 && time != endKey) _keys.push_back(Key{time, v});
      _keys.push_back(Key{endKey, v});
    } else {
      for (size_t i = 0; i < _keys.size(); ++i) {
        if (_keys[i].time == time) {
          _keys[i].value = v;
          break;
        }
        if (_keys[i].time > time) {
          _keys.insert(_keys.begin() + static_cast<std::ptrdiff_t>(i), Key{time, v});
          break;
        }
      }
    }
    _changed = true;
  }

  // Step sampling: the value of the last key at or before t while a later key exists; else the
  // current value (recorded in lastValue, raising changed when it differs).
  T stepValueAt(uint32_t t) {
    if (_keys.size() >= 2) {
      for (size_t i = 1; i < _keys.size(); ++i) {
        if (_keys[i].time > t) {
          _keyTime = _keys[i - 1].time;
          return _keys[i - 1].value;
        }
      }
    }
    if (!(_value == _lastValue)) {
      _lastValue = _value;
      _changed = true;
    }
    return _value;
  }

  // Gives the key at exactly time, if any, the value v.
  void setValueOfKeyAt(uint32_t time, const T& v) {
    for (Key& k : _keys) {
      if (k.time == time) {
        k.value = v;
        return;
      }
    }
  }

  T _value{};
  std::vector<Key> _keys;  // ascending time when written through writeKey
  T _lastValue{};
  T _savedLastValue{};  // saveSampling
};
