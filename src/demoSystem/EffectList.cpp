#include "EffectList.h"

#include "ErrorReport.h"

namespace {
EffectList* gCurrent = nullptr;
}  // namespace

EffectList::EffectList(std::vector<EffectRegistryRow> registry) : _registry(std::move(registry)) {}

EffectList::~EffectList() { clear(); }

const EffectRegistryRow* EffectList::findRow(const std::string& name) const {
  for (const EffectRegistryRow& row : _registry)
    if (row.create && row.name && name == row.name) return &row;
  return nullptr;
}

bool EffectList::isRegistered(const std::string& name) const { return findRow(name) != nullptr; }

std::vector<std::string> EffectList::registeredNames() const {
  std::vector<std::string> names;
  for (const EffectRegistryRow& row : _registry)
    if (row.create && row.name) names.push_back(row.name);
  return names;
}

const EffectDescription* EffectList::findDescription(const std::string& name) const {
  const EffectRegistryRow* row = findRow(name);
  return row ? row->description : nullptr;
}

bool EffectList::insert(const std::string& name) {
  const EffectRegistryRow* row = findRow(name);
  if (!row) {
    reportErrorText(__FILE__, __LINE__, "Effect Id not found", name.c_str(), true);
    return false;
  }
  std::unique_ptr<Effect> effect = row->create(name);
  if (!effect) return false;
  effect->getActive().setKey(0.0f, 0);
  _effects.push_back(std::move(effect));
  return true;
}

Effect* EffectList::find(const std::string& name) const {
  for (const std::unique_ptr<Effect>& e : _effects)
    if (e->getName() == name) return e.get();
  return nullptr;
}

std::vector<Effect*> EffectList::getEffects() const {
  std::vector<Effect*> copy;
  copy.reserve(_effects.size());
  for (const std::unique_ptr<Effect>& e : _effects) copy.push_back(e.get());
  return copy;
}

void EffectList::clear() {
  for (std::unique_ptr<Effect>& e : _effects) e.reset();
  _effects.clear();
}

EffectList* EffectList::current() { return gCurrent; }

void EffectList::setCurrent(EffectList* list) { gCurrent = list; }
