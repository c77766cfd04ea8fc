#pragma once
// A test effect that records every call of the demo system into one shared log, with a few
// variables of each kind for the script to address.
#include "Effect.h"
#include "IntVariable.h"

#include <string>
#include <vector>

class RecordingEffect : public Effect {
 public:
  explicit RecordingEffect(const std::string& name, bool pattern = false);
  ~RecordingEffect() override;

  void start(uint32_t time) override;
  void update(uint32_t time) override;
  void onPatternStep(float phase) override;
  void render(uint32_t time) override;
  void handleEvent(const EffectEvent& event) override;
  void onStringAdded(int32_t list, const std::string& text, uint32_t count) override;

  // Entries "<name> <call> <time>", in call order, shared by all instances.
  static std::vector<std::string>& log();

  FloatVariable alpha;     // "Alpha"
  IntVariable index;       // "Index", count 5
  BoolVariable flag;       // "Flag"
  StringVariable caption;  // "Caption", takes string keys
  IntVariable texture;     // "Texture", indexes string list 0; count follows the list
  IntVariable odd;         // "Odd", names the unsupported list 5

  std::vector<uint32_t> patternSteps;  // pattern index at each onPatternStep
  std::vector<EffectEvent> events;     // every delivered event
  std::vector<std::string> added;      // "<list>:<text>:<count>" per onStringAdded
  int renderMatrixDepths[2] = {0, 0};  // projection, modelview stack depths seen in render
};
