#pragma once
// Checks a show script without playing it: every problem in one run, with its line. Loads the
// script into a scratch effect list and timeline (no window, no sound, nothing loaded from the
// files it names), then looks for what a load lets pass: times after DEMO_END, files that the
// data does not hold, events for effects that are not in the show, keys that DEMO_END cuts
// short (ScriptKeyLint), events the effects do not take (ScriptEventLint).
#include <string>
#include <vector>

#include "EffectRegistryRow.h"
#include "ScriptCheck.h"
#include "ScriptEventLint.h"

class ScriptLint {
 public:
  explicit ScriptLint(std::vector<EffectRegistryRow> registry);

  // Named files are looked up in this pack (instead of through the memory files' disk mode).
  void setPackName(const std::string& packName) { _packName = packName; }
  // Camera and object names of the scenes that effects load; without it they are not checked.
  void setSceneNames(ScriptEventLint::SceneNames sceneNames) { _sceneNames = std::move(sceneNames); }

  // The problems of the script text, in line order.
  std::vector<ScriptCheck::Problem> checkText(const std::string& text, const std::string& scriptName) const;
  // The same for the script file read through the memory files; a file that cannot be read is
  // one fatal problem at line 0.
  std::vector<ScriptCheck::Problem> checkFile(const std::string& path) const;

  // "name:line: message" ("name: message" for line 0).
  static std::string format(const std::string& scriptName, const ScriptCheck::Problem& problem);
  static bool hasFatal(const std::vector<ScriptCheck::Problem>& problems);

 private:
  bool dataFileExists(const std::string& name, std::vector<std::string>& packNames, bool& packListed) const;

  std::vector<EffectRegistryRow> _registry;
  std::string _packName;
  ScriptEventLint::SceneNames _sceneNames;
};
