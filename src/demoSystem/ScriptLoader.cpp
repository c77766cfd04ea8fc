// The script reader in one file: words, comments, time expressions, keywords, timeline lines and
// their values share the reader's position and line count, and each step is short; split, the
// pieces would pass that state back and forth.
#include "ScriptLoader.h"

#include "DemoSettings.h"
#include "Effect.h"
#include "EffectList.h"
#include "ErrorReport.h"
#include "MemoryFile.h"
#include "NameSuggestion.h"
#include "ScriptCheck.h"
#include "Timeline.h"

#include <cstdlib>
#include <cstring>

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The header keys and section marks: a misspelt one is read as a time term.
const std::vector<std::string> kKeywords = {"__HEADER__", "__DEFS__", "__SETUP__", "__TIMELINE__", "__LINETIME__",
                                            "DEMO_START", "DEMO_END", "DEMO_BEAT", "DEMO_FULLSCREEN", "DEMO_MUSIC",
                                            "DEFINE", "INSERT_EFFECT", "TIMEOFFSET"};
const std::vector<std::string> kCommands = {"b", "e", "i", "s", "t", "l",
                                            "BEGIN", "END", "INIT", "SIGNAL", "TRIGGER", "SET_LAYER"};

// The leading decimal integer of word as atoi reads it (sign, digits, rest ignored), computed
// modulo 2^32 so that overlong digit strings wrap instead of overflowing.
int32_t leadingInteger(const std::string& word) {
  size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  uint32_t value = 0;
  while (i < word.size() && isDigit(word[i])) value = value * 10u + static_cast<uint32_t>(word[i++] - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

// Whether word is a whole decimal integer (optional sign, at least one digit, nothing else).
bool isIntegerWord(const std::string& word) {
  size_t i = (!word.empty() && (word[0] == '+' || word[0] == '-')) ? 1 : 0;
  if (i >= word.size()) return false;
  for (; i < word.size(); ++i)
    if (!isDigit(word[i])) return false;
  return true;
}

// Scans a number in decimal syntax (sign, digits, point, exponent) at s[i]; on success stores it
// and moves i past it. Hexadecimal forms, "inf" and "nan" are not numbers here.
bool scanNumber(const std::string& s, size_t& i, float& out) {
  size_t j = i;
  if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
  size_t digits = 0;
  while (j < s.size() && isDigit(s[j])) ++j, ++digits;
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && isDigit(s[j])) ++j, ++digits;
  }
  if (digits == 0) return false;
  if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    size_t k = j + 1;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    if (k < s.size() && isDigit(s[k])) {
      while (k < s.size() && isDigit(s[k])) ++k;
      j = k;
    }
  }
  out = std::strtof(s.substr(i, j - i).c_str(), nullptr);
  i = j;
  return true;
}

// 32-bit two's complement arithmetic without signed overflow.
int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t wrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t wrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
}  // namespace

// ---- loading ----

bool ScriptLoader::prepare(EffectList*& list, Timeline*& timeline) {
  list = EffectList::current();
  timeline = Timeline::current();
  if (!list || !timeline) {
    reportError(__FILE__, __LINE__, "script: no effect list or timeline to load into", false);
    return false;
  }
  list->clear();
  timeline->clear();
  _definitions.clear();
  _hasPending = false;
  _pending = Word();
  return true;
}

void ScriptLoader::load(const std::string& path) {
  if (!EffectList::current() || !Timeline::current()) {
    EffectList* list = nullptr;
    Timeline* timeline = nullptr;
    prepare(list, timeline);  // reports what is missing
    return;
  }
  MemoryFile file(path.c_str());
  if (!file.isValid()) {
    reportErrorText(__FILE__, __LINE__, "script: could not open file for parsing", path.c_str(), true);
    return;
  }
  loadBytes(reinterpret_cast<const char*>(file.data()), file.size(), path);
  releaseFile(&file);
}

void ScriptLoader::loadText(const std::string& text, const std::string& scriptName) {
  loadBytes(text.data(), text.size(), scriptName);
}

void ScriptLoader::loadBytes(const char* data, size_t size, const std::string& scriptName) {
  EffectList* list = nullptr;
  Timeline* timeline = nullptr;
  if (!prepare(list, timeline)) return;
  _scriptName = scriptName;
  parse(data, size, *list, *timeline);
  finish(*list, *timeline);
}

void ScriptLoader::parse(const char* data, size_t size, EffectList& list, Timeline& timeline) {
  _data = data;
  _size = size;
  _pos = 0;
  _line = 1;
  _inComment = false;
  _setupSection = false;
  _timelineSection = false;
  _timeOffset = 0;
  _start = 0;
  _end = 60000;
  _beat = 100;
  _finished = false;

  Word word;
  while (!_finished && nextWord(word)) {
    if (_inComment) {
      const size_t close = word.text.find("*/");
      if (close == std::string::npos) continue;
      _inComment = false;
      word.text.erase(0, close + 2);
      if (word.text.empty()) continue;
    }
    // A block comment start anywhere in a word; the rest of its line is skipped, so a "*/" later
    // on the same line does not end the comment.
    if (word.text.find("/*") != std::string::npos) {
      _inComment = true;
      skipRestOfLine();
      continue;
    }
    const size_t lineComment = word.text.find("//");
    if (lineComment != std::string::npos && lineComment < 3) {
      skipRestOfLine();
      continue;
    }
    handleKeywordOrLine(word, list, timeline);
  }
  _data = nullptr;
  _size = 0;
  _pos = 0;
}

void ScriptLoader::finish(EffectList& list, Timeline& timeline) {
  for (Effect* effect : list.getEffects()) {
    effect->getActive().simplify();
    for (EffectVariable* variable : effect->getVariables()) variable->simplify();
  }
  if (_check) {
    _check->endTime = _end;
    timeline.sort();
    return;
  }
  DemoSettings& settings = demoSettings();
  settings.startTime = _start;
  settings.endTime = _end;
  settings.beat = _beat;
  timeline.sort();
}

// ---- words ----

bool ScriptLoader::nextWord(Word& word) {
  if (_hasPending) {
    word = _pending;
    _hasPending = false;
    return true;
  }
  return readInputWord(word);
}

bool ScriptLoader::readInputWord(Word& word) {
  while (_pos < _size && isSpace(_data[_pos])) {
    if (_data[_pos] == '\n') ++_line;
    ++_pos;
  }
  if (_pos >= _size) return false;
  const size_t begin = _pos;
  while (_pos < _size && !isSpace(_data[_pos])) ++_pos;
  word.text.assign(_data + begin, _pos - begin);
  word.line = _line;
  return true;
}

void ScriptLoader::skipRestOfLine() {
  size_t skipped = 0;
  while (_pos < _size && _data[_pos] != '\n' && skipped < kMaxSkip) {
    ++_pos;
    ++skipped;
  }
}

std::string ScriptLoader::readValuePart(bool& tooLong) {
  const size_t begin = _pos;
  while (_pos < _size && _data[_pos] != '\n') ++_pos;
  size_t end = _pos;
  // Trailing blanks, tabs and a carriage return carry nothing and do not count.
  while (end > begin && (_data[end - 1] == ' ' || _data[end - 1] == '\t' || _data[end - 1] == '\r')) --end;
  tooLong = end - begin > kMaxValuePart;
  return std::string(_data + begin, end - begin);
}

// ---- time expressions ----

int32_t ScriptLoader::evaluateTerm(const Word& word) {
  const int32_t number = leadingInteger(word.text);
  if (number != 0) return number;
  if (!word.text.empty() && word.text[0] == '0') return 0;
  const auto found = _definitions.find(word.text);
  if (found == _definitions.end()) {
    fail(__LINE__, "DEFINE not found", word.text, word.line);
    std::vector<std::string> names = kKeywords;
    for (const auto& definition : _definitions) names.push_back(definition.first);
    hintLastProblem(word.text, names);
  }
  return found == _definitions.end() ? 0 : found->second;
}

int32_t ScriptLoader::readExpressionFrom(const Word& first) {
  int32_t value = evaluateTerm(first);
  Word op;
  while (nextWord(op)) {
    const char c = op.text[0];
    if (c != '+' && c != '-' && c != '*') {
      _pending = op;
      _hasPending = true;
      break;
    }
    Word term;
    if (!nextWord(term)) break;  // the end of the input completes the expression
    const int32_t rhs = evaluateTerm(term);
    value = c == '+' ? wrapAdd(value, rhs) : c == '-' ? wrapSub(value, rhs) : wrapMul(value, rhs);
  }
  return value;
}

bool ScriptLoader::readExpression(int32_t& value) {
  Word first;
  if (!nextWord(first)) return false;
  value = readExpressionFrom(first);
  return true;
}

// ---- keywords ----

bool ScriptLoader::readIntegerWord(const char* keyword, int32_t& value) {
  Word word;
  if (!nextWord(word)) return false;
  if (!isIntegerWord(word.text)) {
    warn(__LINE__, keyword, "number expected, ignored: " + word.text, word.line);
    return false;
  }
  value = leadingInteger(word.text);
  return true;
}

void ScriptLoader::handleKeywordOrLine(const Word& word, EffectList& list, Timeline& timeline) {
  const std::string& w = word.text;
  int32_t value = 0;
  if (w == "__HEADER__" || w == "__DEFS__") return;
  if (w == "__SETUP__") {
    _setupSection = true;
  } else if (w == "__TIMELINE__") {
    _timelineSection = true;
  } else if (w == "__LINETIME__") {
    _finished = true;
  } else if (w == "DEMO_START") {
    if (readExpression(value)) _start = value;
  } else if (w == "DEMO_END") {
    if (readExpression(value)) {
      _end = value;
      if (_check && _check->endLine == 0) _check->endLine = word.line;
      if (!_check) EffectVariable::setEndKeyTime(static_cast<uint32_t>(value));
      if (_check && list.size() > 0)
        _check->problems.push_back({word.line, "DEMO_END after INSERT_EFFECT: earlier effects get no span", false});
    }
  } else if (w == "DEMO_BEAT") {
    if (readExpression(value)) _beat = value;
  } else if (w == "DEMO_FULLSCREEN") {
    if (readIntegerWord("DEMO_FULLSCREEN", value) && !_check) demoSettings().fullscreen = value != 0;
  } else if (w == "DEMO_MUSIC") {
    if (readIntegerWord("DEMO_MUSIC", value) && !_check) demoSettings().music = value != 0;
  } else if (w == "DEFINE") {
    Word name;
    if (!nextWord(name) || !readExpression(value)) return;
    if (isDigit(name.text[0])) fail(__LINE__, "DEFINE id cannot start with digit", name.text, name.line);
    _definitions.emplace(name.text, value);  // an existing name keeps its first value
  } else if (w == "INSERT_EFFECT") {
    Word name;
    if (!nextWord(name)) return;
    if (!list.isRegistered(name.text)) {
      fail(__LINE__, "Effect Id not found", name.text, name.line);
      hintLastProblem(name.text, list.registeredNames());
      if (_check) return;
    }
    list.insert(name.text);
  } else if (w == "TIMEOFFSET") {
    if (readExpression(value)) _timeOffset = value;
  } else {
    handleTimelineLine(word, list, timeline);
  }
}

// ---- timeline lines ----

Effect* ScriptLoader::findEffectOrDie(EffectList& list, const Word& name) {
  Effect* effect = list.find(name.text);
  if (!effect) {
    fail(__LINE__, "Effect not found", name.text, name.line);
    std::vector<std::string> names;
    for (const Effect* e : list.getEffects()) names.push_back(e->getName());
    hintLastProblem(name.text, names.empty() ? list.registeredNames() : names);
  }
  return effect;
}

void ScriptLoader::handleTimelineLine(const Word& first, EffectList& list, Timeline& timeline) {
  const uint32_t time = static_cast<uint32_t>(wrapAdd(readExpressionFrom(first), _timeOffset));
  Word command;
  Word effectName;
  if (!nextWord(command) || !nextWord(effectName)) return;
  const std::string& c = command.text;
  if (_check) {
    _check->times.push_back({first.line, static_cast<int32_t>(time)});
    if (c == "i" || c == "INIT" || c == "t" || c == "TRIGGER") _check->eventTargets.push_back({first.line, effectName.text, ""});
  }
  if (c == "b" || c == "BEGIN") {
    Effect* effect = findEffectOrDie(list, effectName);
    if (effect) effect->getActive().setKey(1.0f, time);
    recordKey(effectName, "", time, 1.0f, false);
  } else if (c == "e" || c == "END") {
    Effect* effect = findEffectOrDie(list, effectName);
    if (effect) effect->getActive().setKey(0.0f, time);
    recordKey(effectName, "", time, 0.0f, false);
  } else if (c == "i" || c == "INIT") {
    EffectEvent event;
    event.time = time;
    event.effectName = effectName.text;
    event.type = 0;
    timeline.schedule(event);
  } else if (c == "s" || c == "SIGNAL") {
    handleSignal(time, effectName, list);
  } else if (c == "t" || c == "TRIGGER") {
    handleTrigger(time, effectName, timeline);
  } else if (c == "l" || c == "SET_LAYER") {
    int32_t layer = 0;
    readIntegerWord("SET_LAYER", layer);  // drawing order is insertion order; the layer is unused
  } else if (_check && !isIntegerWord(c)) {
    // A number in a command's place means the words are out of step after an earlier problem
    // (a misspelt keyword, most often), which that problem's report explains.
    _check->problems.push_back(
        {command.line, "unknown command, line ignored: " + c + " (b e i s t l, or BEGIN END INIT SIGNAL TRIGGER SET_LAYER)",
         false});
    hintLastProblem(c, kCommands);
  }
  // Any other command does nothing; the words after it are read as new words.
}

void ScriptLoader::recordKey(const Word& effectName, const std::string& variable, uint32_t time, float value,
                             bool glides) {
  if (_check) _check->keys.push_back({effectName.line, effectName.text, variable, time, value, glides, _check->endLine != 0});
}

void ScriptLoader::checkValuePart(const ValuePart& part, int line) {
  if (!_check || part.unread.empty() || part.unread.compare(0, 2, "//") == 0) return;
  if (part.unread.find('"') != std::string::npos)
    _check->problems.push_back({line, "a quote without its opening one, value not read: " + part.unread, false});
  else if (part.numbers == 0 && part.text.empty())
    _check->problems.push_back(
        {line, "value not read: " + part.unread + " (a text needs quotes at both ends: \"" + part.unread + "\")", false});
}

void ScriptLoader::hintLastProblem(const std::string& word, const std::vector<std::string>& candidates) {
  if (_check && !_check->problems.empty()) _check->problems.back().message += NameSuggestion::hint(word, candidates);
}

ScriptLoader::ValuePart ScriptLoader::parseValuePart(const std::string& raw, int line) {
  ValuePart part;
  bool haveNumber = false;
  size_t i = 0;
  for (;;) {
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    if (i >= raw.size()) break;
    if (raw[i] == '"') {
      const size_t open = ++i;
      const size_t close = raw.find('"', open);
      const size_t length = (close == std::string::npos ? raw.size() : close) - open;
      if (close == std::string::npos || length == 0 || length > kMaxText) {
        fail(__LINE__, "Error in script string", raw.substr(open, length < kMaxText ? length : kMaxText), line);
        if (_check)
          _check->problems.back().message += close == std::string::npos
                                                 ? " (the opening quote has no closing one on this line)"
                                                 : " (a quoted text holds 1 to 99 characters)";
        if (close == std::string::npos) break;  // checking loads go on past the report
      }
      part.text = raw.substr(open, length);
      i = close + 1;
      if (i < raw.size() && raw[i] == ' ') continue;  // blanks after a text: read on
      break;
    }
    // Numbers: the first, then extras each introduced by blanks; a tab or any other character
    // directly after a number, or a word that is no number, ends the part.
    float number = 0.0f;
    if (!scanNumber(raw, i, number)) {
      part.unread = raw.substr(i);
      break;
    }
    ++part.numbers;
    if (haveNumber) {
      part.extras.push_back(number);
    } else {
      part.first = number;
      haveNumber = true;
    }
    for (;;) {
      if (i >= raw.size() || raw[i] != ' ') return part;
      while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
      if (i >= raw.size()) return part;
      if (!scanNumber(raw, i, number)) {
        part.unread = raw.substr(i);
        return part;
      }
      ++part.numbers;
      part.extras.push_back(number);
    }
  }
  return part;
}

void ScriptLoader::handleSignal(uint32_t time, const Word& effectName, EffectList& list) {
  Word variableName;
  if (!nextWord(variableName)) return;
  bool tooLong = false;
  const std::string raw = readValuePart(tooLong);
  Effect* effect = findEffectOrDie(list, effectName);
  if (!effect) return;
  EffectVariable* variable = effect->findVariable(variableName.text);
  if (!variable) {
    fail(__LINE__, "Variable not found", variableName.text, variableName.line);
    std::vector<std::string> names;
    for (const EffectVariable* v : effect->getVariables()) names.push_back(v->getName());
    hintLastProblem(variableName.text, names);
    return;
  }
  if (tooLong) {
    warn(__LINE__, "SIGNAL", "value part longer than 199 characters, line ignored", variableName.line);
    return;
  }
  const ValuePart part = parseValuePart(raw, variableName.line);
  checkValuePart(part, variableName.line);
  if (variable->isTakingStringKeys()) {
    if (_check && part.text.empty() && part.numbers > 0)
      _check->problems.push_back({variableName.line,
                                  variable->getName() + " takes a quoted text (" + variable->getName() +
                                      " \"1000\"); this line keys an empty one",
                                  false});
    variable->setStringKey(part.text, time);
    return;
  }
  float x = 0.0f;
  if (!part.text.empty()) {
    if (_timelineSection) {
      x = static_cast<float>(effect->findString(variable->getStringList(), part.text));
    } else {
      // In the setup section the effect loads what the text names (onStringAdded); no key.
      if (_setupSection && _check) _check->files.push_back({variableName.line, part.text, effect->getName()});
      if (_setupSection && !_check) effect->addString(variable->getStringList(), part.text);
      return;
    }
  } else {
    x = part.first;
    if (variable->getCount() > 1) x *= static_cast<float>(variable->getCount() - 1);
  }
  if (!_timelineSection) return;
  variable->setKey(x, time);
  recordKey(effectName, variable->getName(), time, x, variable->getTypeCode() == 1);
}

void ScriptLoader::handleTrigger(uint32_t time, const Word& effectName, Timeline& timeline) {
  Word eventName;
  if (!nextWord(eventName)) return;
  bool tooLong = false;
  const std::string raw = readValuePart(tooLong);
  const auto definition = _definitions.find(eventName.text);
  if (definition == _definitions.end() && _check)
    _check->problems.push_back({eventName.line, "TRIGGER event not defined, line ignored: " + eventName.text, false});
  if (definition == _definitions.end()) return;  // undefined event names drop the line
  if (tooLong) {
    warn(__LINE__, "TRIGGER", "value part longer than 199 characters, line ignored", eventName.line);
    return;
  }
  const ValuePart part = parseValuePart(raw, eventName.line);
  checkValuePart(part, eventName.line);
  if (_check) {
    if (part.text.find('/') != std::string::npos) _check->files.push_back({eventName.line, part.text, effectName.text});
    _check->triggers.push_back(
        {eventName.line, effectName.text, eventName.text, definition->second, part.numbers, part.text});
  }
  EffectEvent event;
  event.time = time;
  event.effectName = effectName.text;
  event.type = definition->second;
  event.value = part.first;
  event.text = part.text;
  event.values[0] = part.first;
  event.values[1] = part.extras.size() > 0 ? part.extras[0] : 0.0f;
  event.values[2] = part.extras.size() > 1 ? part.extras[1] : 0.0f;
  timeline.schedule(event);
}

// ---- reports ----

std::string ScriptLoader::describe(int sourceLine, const char* message, const std::string& value,
                                   int scriptLine) const {
  const std::string place = " (" + _scriptName + ":" + std::to_string(scriptLine) + ")";
  // A report holds kReportBufferSize - 1 characters: shorten long values so the place survives.
  const size_t fixed = std::strlen(__FILE__) + std::to_string(sourceLine).size() + std::strlen(message) + 4;
  const size_t budget = static_cast<size_t>(kReportBufferSize - 1);
  std::string shown = value;
  if (fixed + place.size() + shown.size() > budget) {
    const size_t room = budget > fixed + place.size() + 3 ? budget - fixed - place.size() - 3 : 0;
    shown = shown.substr(0, room) + "...";
  }
  return shown + place;
}

void ScriptLoader::fail(int sourceLine, const char* message, const std::string& value, int scriptLine) const {
  if (_check) {
    _check->problems.push_back({scriptLine, std::string(message) + ": " + value, true, true});
    return;
  }
  reportErrorText(__FILE__, sourceLine, message, describe(sourceLine, message, value, scriptLine).c_str(), true);
}

void ScriptLoader::warn(int sourceLine, const char* message, const std::string& value, int scriptLine) const {
  if (_check) {
    _check->problems.push_back({scriptLine, std::string(message) + ": " + value, false, true});
    return;
  }
  reportErrorText(__FILE__, sourceLine, message, describe(sourceLine, message, value, scriptLine).c_str(), false);
}
