#pragma once
// Base of every effect: a registry name, an activity span, registered time-keyed variables,
// a local clock with phase, beat pattern and pulse, and an optional linked effect.
// Derived classes pass their registry name, register their variables after the three common
// ones, implement render, and call the base first when overriding start, update or handleEvent.
#include "BoolVariable.h"
#include "EffectEvent.h"
#include "FloatVariable.h"
#include "StringVariable.h"

#include <cstdint>
#include <string>
#include <vector>

class Effect {
 public:
  explicit Effect(const std::string& name);
  virtual ~Effect();
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Restarts the local clock: startTime = currentTime = time, localTime 0, phase 0.
  virtual void start(uint32_t time);
  // Not called by the demo system; image effects use it.
  virtual void prepare(uint32_t time);
  // Advances current and local time, phase and (when enabled) the beat pattern.
  virtual void update(uint32_t time);
  // Called by update when the pattern step differs from the process-wide last step.
  virtual void onPatternStep(float phase);
  virtual void render(uint32_t time) = 0;
  // Base codes: 0 start, 2 link to the instance named by text, 5 pulse, 19 time offset.
  virtual void handleEvent(const EffectEvent& event);
  // Called after text was added to string list list, which now holds count strings (0 when the
  // list is unsupported).
  virtual void onStringAdded(int32_t list, const std::string& text, uint32_t count);

  std::string getName() const { return _name; }
  // Sets the variable's name, list and type code and appends it to the variable list.
  void registerVariable(EffectVariable& variable, const std::string& name, int32_t stringList, int32_t typeCode);
  // Registers a float or bool variable outside the string lists and gives it its default value.
  void registerFloat(FloatVariable& variable, const std::string& name, float defaultValue);
  void registerBool(BoolVariable& variable, const std::string& name, bool defaultValue);
  // "Red", "Green", "Blue" and "Alpha", in that order, with their defaults.
  void registerColour(FloatVariable& red, FloatVariable& green, FloatVariable& blue, FloatVariable& alpha,
                      float defaultRed, float defaultGreen, float defaultBlue, float defaultAlpha);
  const std::vector<EffectVariable*>& getVariables() const { return _variables; }
  // The first registered variable named exactly name, or null.
  EffectVariable* findVariable(const std::string& name) const;
  BoolVariable& getActive() { return _active; }
  // Writes v into the current value of "Speed" (no clamping).
  void setSpeed(float v) { _speed.setCurrentValue(v); }
  void enablePattern(bool on) { _patternEnabled = on; }
  // patternValue; reports (non-fatal) when the pattern is not enabled, and still returns it.
  char getPatternValue() const;

  // String lists 0 and 1000; any other selector is unsupported.
  // Appends text and returns its index; unsupported: reports "Unsupported variable", returns -1.
  int32_t addString(int32_t list, const std::string& text);
  // Index of the first string equal to text; 0 when absent or unsupported.
  int32_t findString(int32_t list, const std::string& text) const;
  // Copy of the string at index; "" when out of range or unsupported.
  std::string getString(int32_t list, uint32_t index) const;
  void clearStrings(int32_t list);

  Effect* getLinkedEffect() const { return _linkedEffect; }
  float getPulse() const { return _pulse; }
  int32_t getTimeOffset() const { return _timeOffset; }
  uint32_t getStartTime() const { return _startTime; }
  uint32_t getCurrentTime() const { return _currentTime; }
  uint32_t getLocalTime() const { return _localTime; }
  float getPhase() const { return _phase; }
  float getSpeedFactor() const { return _speedFactor; }
  uint32_t getPatternIndex() const { return _patternIndex; }
  bool wasActive() const { return _wasActive; }
  void setWasActive(bool on) { _wasActive = on; }

  // Trial runs (the warm-up before the show): saveFrameState keeps what the base's update and a
  // frame step change (clocks, phase, pattern step, pulse, link, activity flag and the sampling
  // state of every variable) and what the derived effect keeps (saveOwnFrameState);
  // restoreFrameState puts it back. One level, no nesting.
  void saveFrameState();
  void restoreFrameState();
  // Links directly, for trial runs (the script links through events of type 2).
  void setLinkedEffect(Effect* effect) { _linkedEffect = effect; }

  // The pattern step last seen by any instance (kInitialPatternStep at program start).
  static constexpr uint32_t kInitialPatternStep = 1000;
  static uint32_t getLastPatternStep();
  static void setLastPatternStep(uint32_t step);

 protected:
  // What a derived effect carries from frame to frame beyond the base (accumulators), kept and
  // put back with the frame state. Effects whose frames follow from the time alone need nothing.
  virtual void saveOwnFrameState() {}
  virtual void restoreOwnFrameState() {}

  Effect* _linkedEffect = nullptr;          // not owned; set by events of type 2
  BoolVariable _active;                     // activity span, named after the effect, not in _variables
  float _pulse = 0.0f;                      // set by events of type 5
  int32_t _timeOffset = 0;                  // ms subtracted from the local time (events of type 19)
  std::vector<EffectVariable*> _variables;  // registration order; members of this effect
  std::string _name;
  std::vector<std::string> _stringList0;
  std::vector<std::string> _stringList1000;
  FloatVariable _speed;             // "Speed": phase per ms is 0.2 x Speed
  FloatVariable _spectrumStrength;  // "SpectrumStr": pulse factor of type 5 events
  uint32_t _startTime = 0;          // ms, demo time of the last start event
  uint32_t _currentTime = 0;        // ms, demo time of the last update
  uint32_t _localTime = 0;          // ms, currentTime - startTime - timeOffset (mod 2^32)
  float _phase = 0.0f;              // speedFactor x localTime
  float _speedFactor = 0.0f;        // Speed at the current time x 0.2
  bool _patternEnabled = false;
  char _patternValue = '0';    // pattern character of the current step
  uint32_t _patternIndex = 0;  // current step within the pattern string
  bool _wasActive = false;     // inside the span in the last frame step
  StringVariable _pattern;     // "Pattern": one character per beat step

 private:
  struct FrameState {
    Effect* linkedEffect = nullptr;
    float pulse = 0.0f;
    int32_t timeOffset = 0;
    uint32_t startTime = 0;
    uint32_t currentTime = 0;
    uint32_t localTime = 0;
    float phase = 0.0f;
    float speedFactor = 0.0f;
    char patternValue = '0';
    uint32_t patternIndex = 0;
    bool wasActive = false;
  };

  std::vector<std::string>* listFor(int32_t list);
  const std::vector<std::string>* listFor(int32_t list) const;

  FrameState _saved;  // saveFrameState
};
