#pragma once
// The lint's checks of trigger lines against the effects' event tables: events the effect does
// not react to, the wrong number of values, and names in the quoted text that the show (linked
// effects) or the effect's scene (cameras, objects) does not have.
#include <functional>
#include <string>
#include <vector>

#include "ScriptCheck.h"

class EffectList;

class ScriptEventLint {
 public:
  // Reads the camera and object names of a scene file; false when the file cannot be read.
  using SceneNames = std::function<bool(const std::string& file, std::vector<std::string>& cameras,
                                        std::vector<std::string>& objects)>;

  // Adds its warnings to check.problems (not sorted). list holds the show the check loaded;
  // sceneNames may be empty (names in scenes are then not checked).
  static void check(ScriptCheck& check, const EffectList& list, const SceneNames& sceneNames);
};
