#pragma once
// Reads the demo script in one pass into the current effect list and timeline: instances,
// variable keys, activity spans, scheduled events and the show's settings. Every load starts
// from nothing, so a restart shows what a first start shows.
//
// Script errors that stop the show are fatal reports naming the offending word followed by
// the script's name and line, e.g. "Effect Id not found: Foo (data/scripts/demo.scr:12)".
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Effect;
class EffectList;
struct ScriptCheck;
class Timeline;

class ScriptLoader {
 public:
  ScriptLoader() = default;

  // One complete load of the script file at path (through the memory file layer). A file that
  // cannot be read is fatal. Needs a current effect list and timeline (reports and returns
  // without them).
  void load(const std::string& path);
  // The same load from a script already in memory; scriptName is used in error reports.
  void loadText(const std::string& text, const std::string& scriptName);
  // The same from size bytes at data (not copied; they must stay valid during the call). load
  // and loadText end here.
  void loadBytes(const char* data, size_t size, const std::string& scriptName);

  // With check set, later loads record every problem into it instead of reporting (fatal ones
  // too: the load goes on with a neutral result), load nothing that setup texts name, and leave
  // the show's settings alone. Null restores normal loads.
  void setCheck(ScriptCheck* check) { _check = check; }

  // Names defined by the last load (first definition of a name stands).
  const std::map<std::string, int32_t>& getDefinitions() const { return _definitions; }

  // The longest value part of a SIGNAL or TRIGGER line that is read; longer lines are dropped.
  static constexpr size_t kMaxValuePart = 199;
  // The longest quoted text of a value part.
  static constexpr size_t kMaxText = 99;
  // Characters skipped after a comment start; further characters on the line are read as words.
  static constexpr size_t kMaxSkip = 199;

 private:
  struct Word {
    std::string text;
    int line = 0;  // 1-based line of the script where the word starts
  };
  // What a SIGNAL or TRIGGER line carries after its names.
  struct ValuePart {
    std::string text;           // last quoted text, "" when none
    float first = 0.0f;         // first number, 0 when none
    std::vector<float> extras;  // further numbers in order
    int numbers = 0;            // how many numbers were read
    std::string unread;         // text where reading stopped at a word that is no number
  };

  bool prepare(EffectList*& list, Timeline*& timeline);
  void parse(const char* data, size_t size, EffectList& list, Timeline& timeline);
  void finish(EffectList& list, Timeline& timeline);

  // Word reading over the script bytes; false at the end of the input.
  bool nextWord(Word& word);
  bool readInputWord(Word& word);
  void skipRestOfLine();
  // The rest of the current line (line end not included, nor consumed); sets tooLong when it
  // holds more than kMaxValuePart characters before its trailing white space.
  std::string readValuePart(bool& tooLong);

  // Time expressions: terms combined left to right with + - *; the first word that is not an
  // operator becomes the pending token. False when not even the first term could be read.
  bool readExpression(int32_t& value);
  int32_t readExpressionFrom(const Word& first);
  int32_t evaluateTerm(const Word& word);

  void handleKeywordOrLine(const Word& word, EffectList& list, Timeline& timeline);
  void handleTimelineLine(const Word& first, EffectList& list, Timeline& timeline);
  void handleSignal(uint32_t time, const Word& effectName, EffectList& list);
  void handleTrigger(uint32_t time, const Word& effectName, Timeline& timeline);
  // Reads a decimal integer word for DEMO_FULLSCREEN, DEMO_MUSIC and SET_LAYER; false (after a
  // non-fatal report) when the word is not one; the word is consumed either way.
  bool readIntegerWord(const char* keyword, int32_t& value);
  Effect* findEffectOrDie(EffectList& list, const Word& name);
  ValuePart parseValuePart(const std::string& raw, int line);
  // Checking loads: what the lint needs of a value part and of a key.
  void checkValuePart(const ValuePart& part, int line);
  void recordKey(const Word& effectName, const std::string& variable, uint32_t time, float value, bool glides);
  // Checking loads: adds " (did you mean ...?)" to the last problem when a candidate is close.
  void hintLastProblem(const std::string& word, const std::vector<std::string>& candidates);

  // Fatal report: message, then value and the script place " (name:line)".
  void fail(int sourceLine, const char* message, const std::string& value, int scriptLine) const;
  void warn(int sourceLine, const char* message, const std::string& value, int scriptLine) const;
  std::string describe(int sourceLine, const char* message, const std::string& value, int scriptLine) const;

  ScriptCheck* _check = nullptr;  // checking loads only

  // Per load.
  std::map<std::string, int32_t> _definitions;
  Word _pending;
  bool _hasPending = false;
  bool _inComment = false;
  bool _setupSection = false;
  bool _timelineSection = false;
  int32_t _timeOffset = 0;  // ms added to each later timeline line
  int32_t _start = 0;       // ms
  int32_t _end = 60000;     // ms
  int32_t _beat = 100;      // ms per pattern step
  bool _finished = false;   // __LINETIME__ seen

  // Input of the current load.
  std::string _scriptName;
  const char* _data = nullptr;
  size_t _size = 0;
  size_t _pos = 0;
  int _line = 1;
};
