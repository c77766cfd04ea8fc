#include "EffectReference.h"

#include <cstdio>
#include <memory>

#include "Effect.h"
#include "EffectDescription.h"
#include "ErrorReport.h"

namespace {
std::string number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

std::string kindOf(EffectVariable& variable) {
  switch (variable.getTypeCode()) {
    case 1:
      return "float";
    case 2:
      return "bool";
    case 3: {
      std::string kind = "int";
      if (variable.getStringList() != EffectVariable::kNoStringList)
        kind += ", picks from string list " + std::to_string(variable.getStringList());
      else if (variable.getCount() > 1)
        kind += ", " + std::to_string(variable.getCount()) + " choices (scripts give 0 to 1)";
      return kind;
    }
    default:
      return variable.isTakingStringKeys() ? "string (quoted)" : "string";
  }
}

std::string defaultOf(EffectVariable& variable) {
  if (variable.getTypeCode() == 4) return "\"" + variable.stringAt(0) + "\"";
  return number(variable.sample(0));
}

const char* meaningOf(const std::string& name, const EffectDescription* description) {
  if (description)
    for (const VariableDescription& v : description->variables)
      if (name == v.name) return v.meaning;
  for (const VariableDescription& v : EffectDescription::commonVariables())
    if (name == v.name) return v.meaning;
  return "";
}

std::string valuesOf(const EventDescription& event) {
  using Text = EventDescription::Text;
  std::string values;
  switch (event.text) {
    case Text::Effect:
      values = "\"effect name\"";
      break;
    case Text::File:
      values = "\"file\"";
      break;
    case Text::Camera:
      values = "\"camera name\"";
      break;
    case Text::Object:
      values = "\"object name\"";
      break;
    case Text::None:
      break;
  }
  std::string numbers;
  if (event.maxNumbers > 0) {
    numbers = event.minNumbers == event.maxNumbers
                  ? std::to_string(event.maxNumbers)
                  : std::to_string(event.minNumbers) + " to " + std::to_string(event.maxNumbers);
    numbers += event.maxNumbers == 1 ? " number" : " numbers";
  }
  if (values.empty()) return numbers.empty() ? "none" : numbers;
  return numbers.empty() ? values : values + ", " + numbers;
}

// Swallows the reports of instances made only to read their variables (a scene effect made
// outside a show folder cannot find its scene).
void quiet(const char*, bool) {}
}  // namespace

std::vector<std::string> EffectReference::names() const {
  std::vector<std::string> names;
  for (const EffectRegistryRow& row : _registry)
    if (row.create) names.push_back(row.name);
  return names;
}

std::string EffectReference::all() const {
  std::string text =
      "# Effects\n\n"
      "Made by `rk17 --list-effects` from the effect registry (`rk17 --list-effects NAME` shows one).\n"
      "Variables are keyed with `TIME s Effect Variable value`; events are sent with\n"
      "`TIME t Effect EVENTNAME values` after `DEFINE EVENTNAME number` (the names here are only\n"
      "suggestions: a script may name the numbers as it likes). A value is an optional quoted text,\n"
      "then numbers separated by blanks. Every effect also starts its clock at an `i` line.\n";
  for (const EffectRegistryRow& row : _registry)
    if (row.create) text += "\n" + section(row);
  return text;
}

std::string EffectReference::one(const std::string& name) const {
  for (const EffectRegistryRow& row : _registry)
    if (row.create && name == row.name) return section(row);
  return "";
}

std::string EffectReference::section(const EffectRegistryRow& row) const {
  const EffectDescription* description = row.description;
  std::string text = std::string("## ") + row.name + "\n\n";
  if (description) text += std::string(description->summary) + "\n\n";
  const ReportHandler previous = setReportHandler(quiet);
  std::unique_ptr<Effect> effect = row.create(row.name);
  setReportHandler(previous);
  if (effect) {
    text += "| variable | kind | default | what it does |\n|---|---|---|---|\n";
    for (EffectVariable* variable : effect->getVariables())
      text += "| `" + variable->getName() + "` | " + kindOf(*variable) + " | " + defaultOf(*variable) + " | " +
              meaningOf(variable->getName(), description) + " |\n";
    text += "\n";
  }
  text += "| event | number | values | what it does |\n|---|---|---|---|\n";
  std::vector<EventDescription> events = EffectDescription::commonEvents();
  if (description)
    for (const EventDescription& own : description->events) {
      bool replaced = false;
      for (EventDescription& event : events)
        if (event.number == own.number) {
          event = own;
          replaced = true;
        }
      if (!replaced) events.push_back(own);
    }
  for (const EventDescription& event : events)
    text += std::string("| `") + event.name + "` | " + std::to_string(event.number) + " | " + valuesOf(event) + " | " +
            event.meaning + " |\n";
  if (description && *description->stringLists)
    text += "\nString lists: " + std::string(description->stringLists) + "\n";
  return text;
}
