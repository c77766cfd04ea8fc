#pragma once
// The effect registry and the ordered list of the show's instances. Insertion order is the
// update and drawing order. Registry rows are tried in table order; the first equal name wins.
#include "Effect.h"
#include "EffectRegistryRow.h"

#include <memory>
#include <string>
#include <vector>

class EffectList {
 public:
  explicit EffectList(std::vector<EffectRegistryRow> registry = {});
  ~EffectList();
  EffectList(const EffectList&) = delete;
  EffectList& operator=(const EffectList&) = delete;

  // Creates the instance for name, writes its first activity key (false over the whole show)
  // and appends it. A name without a registry row is fatal "Effect Id not found".
  bool insert(const std::string& name);
  // Whether insert would find a row for name.
  bool isRegistered(const std::string& name) const;
  // The names insert finds a row for, in table order.
  std::vector<std::string> registeredNames() const;
  // The description of the row for name; null when there is none.
  const EffectDescription* findDescription(const std::string& name) const;
  // The first instance named exactly name, or null. Not owned by the caller.
  Effect* find(const std::string& name) const;
  // A copy of the instance sequence (the list keeps ownership).
  std::vector<Effect*> getEffects() const;
  // The instance at index in list order, or null past the end; for walking the list every frame
  // without a copy.
  Effect* getEffect(size_t index) const { return index < _effects.size() ? _effects[index].get() : nullptr; }
  // Destroys every instance, in list order.
  void clear();
  size_t size() const { return _effects.size(); }

  // Test seam: appends a row after the table's rows.
  void addRegistryRowForTest(const EffectRegistryRow& row) { _registry.push_back(row); }

  // The list owned by the entry for the whole run (null when none).
  static EffectList* current();
  static void setCurrent(EffectList* list);

 private:
  const EffectRegistryRow* findRow(const std::string& name) const;

  std::vector<EffectRegistryRow> _registry;
  std::vector<std::unique_ptr<Effect>> _effects;  // insertion order
};
