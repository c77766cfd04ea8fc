#pragma once
// The reference of the effects a script can use, made from the registry: each effect's summary,
// its variables with kind, default and meaning, the events it reacts to with their numbers and
// values, and what its string lists load. Printed by rk17 --list-effects and checked in as
// docs/effects.md. Kinds and defaults come from a fresh instance of each effect, so making the
// reference needs a current GL context.
#include <string>
#include <vector>

#include "EffectRegistryRow.h"

class EffectReference {
 public:
  explicit EffectReference(std::vector<EffectRegistryRow> registry) : _registry(std::move(registry)) {}

  // The whole reference as Markdown.
  std::string all() const;
  // The section of the effect name; "" when the registry has no such name.
  std::string one(const std::string& name) const;
  // The registry names, for suggestions.
  std::vector<std::string> names() const;

 private:
  std::string section(const EffectRegistryRow& row) const;

  std::vector<EffectRegistryRow> _registry;
};
