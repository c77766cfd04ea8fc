#include "Effect.h"

#include "DemoSettings.h"
#include "EffectList.h"
#include "ErrorReport.h"

#include <cmath>

namespace {
uint32_t gLastPatternStep = Effect::kInitialPatternStep;

// x truncated toward zero; NaN gives 0 and values beyond the 32-bit range saturate, where a
// plain conversion would be undefined.
int32_t truncateToInt32(float x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0f) return INT32_MAX;
  if (x <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(x);
}
}  // namespace

Effect::Effect(const std::string& name) : _name(name) {
  _active.setRegistration(name, EffectVariable::kNoStringList, EffectVariable::kBool);
  registerVariable(_speed, "Speed", EffectVariable::kNoStringList, EffectVariable::kFloat);
  registerVariable(_spectrumStrength, "SpectrumStr", EffectVariable::kNoStringList, EffectVariable::kFloat);
  registerVariable(_pattern, "Pattern", EffectVariable::kNoStringList, EffectVariable::kString);
  _speed.setCurrentValue(0.5f);
  _spectrumStrength.setCurrentValue(0.0f);
  _pattern.setCurrentValue("1000");
  _pattern.setTakesStringKeys(true);
}

Effect::~Effect() = default;

void Effect::start(uint32_t time) {
  _startTime = time;
  _currentTime = time;
  _localTime = 0;
  _phase = 0.0f;
}

void Effect::prepare(uint32_t) {}

void Effect::update(uint32_t time) {
  _speedFactor = _speed.valueAt(time) * 0.2f;
  _currentTime = time;
  _localTime = time - _startTime - static_cast<uint32_t>(_timeOffset);
  _phase = _speedFactor * static_cast<float>(_localTime);
  if (!_patternEnabled) return;
  const std::string steps = _pattern.valueAt(time);
  // A beat of 0 would divide by zero: every local time is then step 0.
  const uint32_t beat = static_cast<uint32_t>(demoSettings().beat);
  _patternIndex = (steps.empty() || beat == 0) ? 0 : static_cast<uint32_t>((_localTime / beat) % steps.size());
  if (_patternIndex != gLastPatternStep) {
    gLastPatternStep = _patternIndex;
    onPatternStep(_phase);
  }
  _patternValue = steps.empty() ? '\0' : steps[_patternIndex];
}

void Effect::onPatternStep(float) {}

void Effect::handleEvent(const EffectEvent& event) {
  switch (event.type) {
    case 0:
      start(event.time);
      break;
    case 2: {
      EffectList* list = EffectList::current();
      _linkedEffect = list ? list->find(event.text) : nullptr;
      break;
    }
    case 5:
      _pulse = _spectrumStrength.valueAt(event.time) * event.value;
      break;
    case 19:
      _timeOffset = truncateToInt32(event.value);
      break;
    default:
      break;
  }
}

void Effect::onStringAdded(int32_t, const std::string&, uint32_t) {}

void Effect::registerVariable(EffectVariable& variable, const std::string& name, int32_t stringList, int32_t typeCode) {
  variable.setRegistration(name, stringList, typeCode);
  _variables.push_back(&variable);
}

void Effect::registerFloat(FloatVariable& variable, const std::string& name, float defaultValue) {
  registerVariable(variable, name, EffectVariable::kNoStringList, EffectVariable::kFloat);
  variable.setCurrentValue(defaultValue);
}

void Effect::registerBool(BoolVariable& variable, const std::string& name, bool defaultValue) {
  registerVariable(variable, name, EffectVariable::kNoStringList, EffectVariable::kBool);
  variable.setCurrentValue(defaultValue);
}

void Effect::registerColour(FloatVariable& red, FloatVariable& green, FloatVariable& blue, FloatVariable& alpha,
                            float defaultRed, float defaultGreen, float defaultBlue, float defaultAlpha) {
  registerFloat(red, "Red", defaultRed);
  registerFloat(green, "Green", defaultGreen);
  registerFloat(blue, "Blue", defaultBlue);
  registerFloat(alpha, "Alpha", defaultAlpha);
}

EffectVariable* Effect::findVariable(const std::string& name) const {
  for (EffectVariable* v : _variables)
    if (v->getName() == name) return v;
  return nullptr;
}

char Effect::getPatternValue() const {
  if (!_patternEnabled) reportError(__FILE__, __LINE__, "pattern value retrieved when _patternEnabled is false", false);
  return _patternValue;
}

std::vector<std::string>* Effect::listFor(int32_t list) {
  if (list == EffectVariable::kStringList0) return &_stringList0;
  if (list == EffectVariable::kStringList1000) return &_stringList1000;
  return nullptr;
}

const std::vector<std::string>* Effect::listFor(int32_t list) const { return const_cast<Effect*>(this)->listFor(list); }

int32_t Effect::addString(int32_t list, const std::string& text) {
  std::vector<std::string>* strings = listFor(list);
  if (!strings) {
    reportError(__FILE__, __LINE__, "Unsupported variable", false);
    onStringAdded(list, text, 0);
    return -1;
  }
  strings->push_back(text);
  const uint32_t count = static_cast<uint32_t>(strings->size());
  onStringAdded(list, text, count);
  return static_cast<int32_t>(count) - 1;
}

int32_t Effect::findString(int32_t list, const std::string& text) const {
  const std::vector<std::string>* strings = listFor(list);
  if (!strings) return 0;
  for (size_t i = 0; i < strings->size(); ++i)
    if ((*strings)[i] == text) return static_cast<int32_t>(i);
  return 0;
}

std::string Effect::getString(int32_t list, uint32_t index) const {
  const std::vector<std::string>* strings = listFor(list);
  if (!strings || index >= strings->size()) return std::string();
  return (*strings)[index];
}

void Effect::clearStrings(int32_t list) {
  std::vector<std::string>* strings = listFor(list);
  if (!strings) {
    reportError(__FILE__, __LINE__, "Unsupported variable", false);
    return;
  }
  strings->clear();
}

void Effect::saveFrameState() {
  _saved = FrameState{_linkedEffect, _pulse,       _timeOffset,   _startTime,    _currentTime, _localTime,
                      _phase,        _speedFactor, _patternValue, _patternIndex, _wasActive};
  _active.saveSampling();
  for (EffectVariable* v : _variables) v->saveSampling();
  saveOwnFrameState();
}

void Effect::restoreFrameState() {
  _linkedEffect = _saved.linkedEffect;
  _pulse = _saved.pulse;
  _timeOffset = _saved.timeOffset;
  _startTime = _saved.startTime;
  _currentTime = _saved.currentTime;
  _localTime = _saved.localTime;
  _phase = _saved.phase;
  _speedFactor = _saved.speedFactor;
  _patternValue = _saved.patternValue;
  _patternIndex = _saved.patternIndex;
  _wasActive = _saved.wasActive;
  _active.restoreSampling();
  for (EffectVariable* v : _variables) v->restoreSampling();
  restoreOwnFrameState();
}

uint32_t Effect::getLastPatternStep() { return gLastPatternStep; }

void Effect::setLastPatternStep(uint32_t step) { gLastPatternStep = step; }
