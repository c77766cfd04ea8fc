#include "ScriptKeyLint.h"

#include <cstdio>
#include <map>

namespace {
std::string number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

// (effect, variable) pairs with their keys in script order; spans under the variable "".
std::map<std::pair<std::string, std::string>, std::vector<const ScriptCheck::Key*>> keysByTarget(
    const ScriptCheck& check) {
  std::map<std::pair<std::string, std::string>, std::vector<const ScriptCheck::Key*>> keys;
  for (const ScriptCheck::Key& key : check.keys) keys[{key.effect, key.variable}].push_back(&key);
  return keys;
}

// Whether the span keys of an effect (script order) make it active at some time in (after, end).
bool activeAfter(const std::vector<const ScriptCheck::Key*>& spans, uint32_t after, uint32_t end) {
  std::map<uint32_t, float> byTime;  // a later line at the same time replaces the key
  for (const ScriptCheck::Key* key : spans) byTime[key->time] = key->value;
  bool active = false;
  for (const auto& [time, value] : byTime) {
    if (time <= after)
      active = value > 0.0f;
    else if (time < end && value > 0.0f)
      return true;
  }
  return active;
}
}  // namespace

void ScriptKeyLint::check(ScriptCheck& check) {
  checkEndKey(check);
  checkGlides(check);
  checkSpans(check);
  checkLateTimes(check);
}

void ScriptKeyLint::checkEndKey(ScriptCheck& check) {
  if (check.keys.empty()) return;
  if (check.endLine == 0) {
    check.problems.push_back({0,
                              "no DEMO_END: every key closes at 0, so every span ends at once (a black screen); "
                              "put \"DEMO_END <ms>\" at the top of the header",
                              false});
    return;
  }
  for (const ScriptCheck::Key& key : check.keys)
    if (!key.afterEnd) {
      check.problems.push_back({key.line,
                                "key before DEMO_END (line " + std::to_string(check.endLine) +
                                    "): it closes at 0, so its span or value ends at once; move DEMO_END to the "
                                    "top of the header",
                                false});
      return;
    }
}

void ScriptKeyLint::checkGlides(ScriptCheck& check) {
  const uint32_t end = static_cast<uint32_t>(check.endTime);
  const auto targets = keysByTarget(check);
  for (const auto& [target, keys] : targets) {
    if (target.second.empty() || !keys.front()->glides || !keys.front()->afterEnd) continue;
    // The variable's keys as the loader leaves them: the first value at 0 and at the end, later
    // keys replacing keys of their time, keys after the end dropped.
    std::map<uint32_t, const ScriptCheck::Key*> byTime;
    for (const ScriptCheck::Key* key : keys)
      if (key->time <= end) byTime[key->time] = key;
    if (byTime.empty() || byTime.count(end)) continue;
    const ScriptCheck::Key& last = *byTime.rbegin()->second;
    if (last.value == keys.front()->value) continue;
    const auto spans = targets.find({target.first, ""});  // a glide nobody sees is no surprise
    if (spans == targets.end() || !activeAfter(spans->second, last.time, end)) continue;
    const std::string effect = target.first, variable = target.second;
    check.problems.push_back({last.line,
                              effect + "." + variable + " glides from " + number(last.value) + " at " +
                                  std::to_string(last.time) + " back to its first key's value " +
                                  number(keys.front()->value) + " at DEMO_END " + std::to_string(end) +
                                  "; to hold it, add: " + std::to_string(end) + " s " + effect + " " + variable + " " +
                                  number(last.value) + " (or, to keep the glide, " + std::to_string(end) + " s " +
                                  effect + " " + variable + " " + number(keys.front()->value) + ")",
                              false});
  }
}

void ScriptKeyLint::checkSpans(ScriptCheck& check) {
  for (const auto& [target, keys] : keysByTarget(check)) {
    if (!target.second.empty()) continue;
    bool begun = false;
    uint32_t firstBegin = 0;
    for (const ScriptCheck::Key* key : keys)
      if (key->value > 0.0f && (!begun || key->time < firstBegin)) {
        firstBegin = key->time;
        begun = true;
      }
    for (const ScriptCheck::Key* key : keys) {
      if (key->value > 0.0f || (begun && key->time >= firstBegin)) continue;
      check.problems.push_back(
          {key->line,
           "END of " + target.first + " at " + std::to_string(key->time) +
               (begun ? " comes before its first BEGIN (at " + std::to_string(firstBegin) + "): it ends nothing"
                      : " but no line begins it: it ends nothing"),
           false});
    }
  }
}

void ScriptKeyLint::checkLateTimes(ScriptCheck& check) {
  // Times compare as demo times: a negative time wraps to one far after DEMO_END.
  const uint32_t end = static_cast<uint32_t>(check.endTime);
  for (const ScriptCheck::TimedLine& timed : check.times) {
    const uint32_t time = static_cast<uint32_t>(timed.time);
    if (time <= end) continue;
    std::string message = "time after DEMO_END: " + std::to_string(timed.time) + " > " + std::to_string(check.endTime);
    if (timed.time < 0) message += " (a negative time is a demo time after every other: the line does nothing)";
    check.problems.push_back({timed.line, message, false});
  }
}
