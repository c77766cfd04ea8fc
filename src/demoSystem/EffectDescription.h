#pragma once
// What an effect offers a script author, for the reference (rk17 --list-effects) and the lint:
// a summary, what its variables do, the events it reacts to and its string lists. Kinds and
// defaults of variables are read from an instance, so only the meanings are written here.
#include <cstdint>
#include <vector>

struct EventDescription {
  // What the quoted text of the event's trigger line names; the lint looks the name up.
  enum class Text { None, Effect, File, Camera, Object };
  int32_t number;
  const char* name;  // the name the docs DEFINE for the number
  int minNumbers;    // numbers the line must carry
  int maxNumbers;    // numbers the effect reads (at most 3)
  Text text;
  const char* meaning;
};

struct VariableDescription {
  const char* name;  // as registered
  const char* meaning;
};

struct EffectDescription {
  const char* summary;
  std::vector<VariableDescription> variables;  // the effect's own; the common three are shared
  std::vector<EventDescription> events;        // the effect's own; the common ones are shared
  const char* stringLists;                     // what "Datafile" lines load, "" when nothing
  const char* sceneFile = "";                  // the scene the effect loads by itself, "" when none

  // The events every effect reacts to (start, link, pulse, time offset).
  static const std::vector<EventDescription>& commonEvents();
  // The meanings of "Speed", "SpectrumStr" and "Pattern".
  static const std::vector<VariableDescription>& commonVariables();
  // The event of number n among this effect's and the common ones; null when it has none.
  const EventDescription* findEvent(int32_t n) const;
};
