#include "ScriptEventLint.h"

#include <algorithm>
#include <map>

#include "EffectDescription.h"
#include "EffectList.h"
#include "NameSuggestion.h"

namespace {
struct SceneIndex {
  bool read = false;
  std::vector<std::string> cameras;
  std::vector<std::string> objects;
};

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string reactions(const EffectDescription& description) {
  std::vector<int32_t> numbers;
  for (const EventDescription& e : EffectDescription::commonEvents()) numbers.push_back(e.number);
  for (const EventDescription& e : description.events) numbers.push_back(e.number);
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  std::string text;
  for (int32_t n : numbers) text += (text.empty() ? "" : " ") + std::to_string(n);
  return text;
}

std::string countText(const EventDescription& event) {
  if (event.minNumbers == event.maxNumbers)
    return std::to_string(event.minNumbers) + (event.minNumbers == 1 ? " number" : " numbers");
  return std::to_string(event.minNumbers) + " to " + std::to_string(event.maxNumbers) + " numbers";
}

// The scene file a setup line of effect names ("" when none).
std::string sceneFileOf(const ScriptCheck& check, const std::string& effect) {
  for (const ScriptCheck::Mention& file : check.files)
    if (file.effect == effect && file.text.size() > 4 && file.text.compare(file.text.size() - 4, 4, ".vdg") == 0)
      return file.text;
  return "";
}
}  // namespace

void ScriptEventLint::check(ScriptCheck& check, const EffectList& list, const ScriptEventLint::SceneNames& sceneNames) {
  std::map<std::string, SceneIndex> scenes;
  std::vector<std::string> instances;
  for (const Effect* effect : list.getEffects()) instances.push_back(effect->getName());
  for (const ScriptCheck::Trigger& trigger : check.triggers) {
    const EffectDescription* description = list.findDescription(trigger.effect);
    if (!description || !list.find(trigger.effect)) continue;
    const std::string event = trigger.eventName + " (" + std::to_string(trigger.event) + ")";
    const EventDescription* known = description->findEvent(trigger.event);
    if (!known) {
      check.problems.push_back({trigger.line,
                                trigger.effect + " does not react to event " + event + "; it reacts to " +
                                    reactions(*description) + " (rk17 --list-effects " + trigger.effect + ")",
                                false});
      continue;
    }
    if (trigger.numbers < known->minNumbers || trigger.numbers > known->maxNumbers)
      check.problems.push_back({trigger.line,
                                "event " + event + " of " + trigger.effect + " takes " + countText(*known) +
                                    ", the line has " + std::to_string(trigger.numbers),
                                false});
    using Text = EventDescription::Text;
    if (known->text == Text::None || known->text == Text::File) continue;
    if (trigger.text.empty()) {
      check.problems.push_back(
          {trigger.line, "event " + event + " of " + trigger.effect + " needs a name in quotes", false});
      continue;
    }
    if (known->text == Text::Effect) {
      if (!list.find(trigger.text))
        check.problems.push_back(
            {trigger.line,
             "no effect named " + trigger.text + " in the show" + NameSuggestion::hint(trigger.text, instances),
             false});
      continue;
    }
    std::string file = sceneFileOf(check, trigger.effect);
    if (file.empty()) file = description->sceneFile;
    if (file.empty() || !sceneNames) continue;
    SceneIndex& scene = scenes[file];
    if (!scene.read) {
      sceneNames(file, scene.cameras, scene.objects);  // an unreadable file leaves both empty
      scene.read = true;
    }
    const std::vector<std::string>& names = known->text == Text::Camera ? scene.cameras : scene.objects;
    if (names.empty() || std::find(names.begin(), names.end(), trigger.text) != names.end()) continue;
    const char* kind = known->text == Text::Camera ? "camera" : "object";
    std::string message =
        file + " has no " + kind + " named " + trigger.text + NameSuggestion::hint(trigger.text, names);
    if (known->text == Text::Camera) message += "; its cameras: " + joined(names);
    check.problems.push_back({trigger.line, message, false});
  }
}
