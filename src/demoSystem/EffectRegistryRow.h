#pragma once
// One row of the effect registry: a script name and the constructor of its class. The table
// of rows lives with the effects (src/effects/EffectTable) and is handed to EffectList.
#include <memory>
#include <string>

class Effect;
struct EffectDescription;

struct EffectRegistryRow {
  using Create = std::unique_ptr<Effect> (*)(const std::string& name);
  const char* name;  // compared exactly, case-sensitive
  Create create;     // receives the registry name; null for an effect not built yet (not found)
  const EffectDescription* description = nullptr;  // for the reference and the lint; may be null
};
