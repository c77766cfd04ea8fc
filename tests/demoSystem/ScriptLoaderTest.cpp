#include "ReportCapture.h"
#include "ShowFixture.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {
using Keys = std::vector<std::pair<uint32_t, float>>;

template <typename V>
Keys keysOf(const V& v) {
  Keys out;
  for (const auto& k : v.getKeys()) out.emplace_back(k.time, static_cast<float>(k.value));
  return out;
}

const char* const kHead = "DEMO_END 60000\nINSERT_EFFECT Fade\n";

class ScriptLoaderTest : public ShowFixture {
 protected:
  // Begin keys (time of each true key) of Fade's activity span.
  std::vector<uint32_t> beginTimes() {
    std::vector<uint32_t> out;
    RecordingEffect* fade = effect("Fade");
    if (!fade) return out;
    for (const auto& k : fade->getActive().getKeys())
      if (k.value) out.push_back(k.time);
    return out;
  }
};
}  // namespace

TEST_F(ScriptLoaderTest, WorkedExample) {
  load(
      "__HEADER__\n"
      "DEMO_END 3 * 60000\n"
      "DEMO_BEAT 500\n"
      "__DEFS__\n"
      "DEFINE INTRO 4000\n"
      "DEFINE TIMEOFS 19\n"
      "__SETUP__\n"
      "INSERT_EFFECT Fade\n"
      "__TIMELINE__\n"
      "0 b Fade\n"
      "INTRO + 1000 e Fade\n"
      "0 i Fade\n"
      "0 s Fade Alpha 1\n"
      "INTRO s Fade Alpha 0\n"
      "2000 t Fade TIMEOFS 250\n");
  EXPECT_EQ(demoSettings().endTime, 180000);
  EXPECT_EQ(demoSettings().beat, 500);
  EXPECT_EQ(demoSettings().startTime, 0);
  EXPECT_EQ(EffectVariable::getEndKeyTime(), 180000u);
  ASSERT_EQ(list.size(), 1u);
  RecordingEffect* fade = effect("Fade");
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(keysOf(fade->getActive()), (Keys{{0, 1}, {5000, 0}, {180000, 0}}));
  EXPECT_TRUE(fade->getActive().valueAt(4999));
  EXPECT_FALSE(fade->getActive().valueAt(5000));
  EXPECT_EQ(keysOf(fade->alpha), (Keys{{0, 1}, {4000, 0}, {180000, 1}}));
  ASSERT_EQ(timeline.getEvents().size(), 2u);
  const EffectEvent& init = timeline.getEvents()[0];
  EXPECT_EQ(init.time, 0u);
  EXPECT_EQ(init.type, 0);
  EXPECT_EQ(init.effectName, "Fade");
  const EffectEvent& offset = timeline.getEvents()[1];
  EXPECT_EQ(offset.time, 2000u);
  EXPECT_EQ(offset.type, 19);
  EXPECT_FLOAT_EQ(offset.value, 250.0f);
  EXPECT_FLOAT_EQ(offset.values[0], 250.0f);
  EXPECT_EQ(offset.effectName, "Fade");
  EXPECT_EQ(loader.getDefinitions().at("INTRO"), 4000);
}

struct ExpressionCase {
  const char* script;  // after kHead
  std::vector<uint32_t> begins;
};

TEST_F(ScriptLoaderTest, TimeExpressions) {
  const ExpressionCase cases[] = {
      {"1000 + 500 * 2 b Fade", {3000}},  // left to right
      {"1000 - 200 - 300 b Fade", {500}},
      {"1000 +junk 500 b Fade", {1500}},                 // only the operator's first character counts
      {"0x10 b Fade", {0}},                              // leading 0: the value 0
      {"25abc b Fade", {25}},                            // atoi: digits then anything
      {"DEFINE A 10\nDEFINE A 20\nA * 3 b Fade", {30}},  // the first definition stands
      {"DEFINE B 7\nB b Fade B + 1 b Fade", {7, 8}},     // a line's end is not needed
      {"TIMEOFFSET 20000\n0 b Fade", {20000}},
      {"TIMEOFFSET 20000\nDEFINE C 5\nTIMEOFFSET 0\nC b Fade", {5}},  // definitions are not shifted
      {"TIMEOFFSET 1000\nTIMEOFFSET 0\n100 b Fade", {100}},
      {"DEFINE D 2 * 1000 + 1\nD b Fade", {2001}},
  };
  for (const ExpressionCase& c : cases) {
    load(std::string(kHead) + c.script + "\n");
    EXPECT_EQ(beginTimes(), c.begins) << c.script;
  }
}

TEST_F(ScriptLoaderTest, HeaderKeysShareALineAndTimeOffsetLeavesThemAlone) {
  load("TIMEOFFSET 60000 DEMO_START 1000 DEMO_END 180000 DEMO_BEAT 250\nINSERT_EFFECT Fade\n0 b Fade\n");
  EXPECT_EQ(demoSettings().startTime, 1000);
  EXPECT_EQ(demoSettings().endTime, 180000);
  EXPECT_EQ(demoSettings().beat, 250);
  EXPECT_EQ(beginTimes(), (std::vector<uint32_t>{60000}));
}

TEST_F(ScriptLoaderTest, DefaultsWithoutHeaderKeysAndResetOnReload) {
  load("DEMO_START 500 DEMO_END 9000 DEMO_BEAT 50\n");
  load("");
  EXPECT_EQ(demoSettings().startTime, 0);
  EXPECT_EQ(demoSettings().endTime, 60000);
  EXPECT_EQ(demoSettings().beat, 100);
  EXPECT_TRUE(list.getEffects().empty());
  EXPECT_TRUE(timeline.getEvents().empty());
  EXPECT_TRUE(loader.getDefinitions().empty());
}

struct CommentCase {
  const char* what;
  std::string script;  // after kHead
  bool flashInserted;
};

TEST_F(ScriptLoaderTest, Comments) {
  const CommentCase cases[] = {
      {"line comment", "// INSERT_EFFECT Flash\n", false},
      {"line comment starting at the third character", "ab// INSERT_EFFECT Flash\n", false},
      {"only // on a line skips nothing further", "//\nINSERT_EFFECT Flash\n", true},
      {"block comment over lines", "/*\nINSERT_EFFECT Flash\n*/\n", false},
      {"*/ on the same line does not end the comment", "/* x */\nINSERT_EFFECT Flash\n*/\n", false},
      {"text after */ is read", "/*\nx\n*/INSERT_EFFECT Flash\n", true},
      {"text before /* is lost", "INSERT_EFFECT/* Flash\n*/\n", false},
      {"/* at the end of a line", "/*\n*/ INSERT_EFFECT Flash\n", true},
      {"/* inside a word", "a/*b\nINSERT_EFFECT Flash\n*/\n", false},
      {"// inside a block comment is just a word", "/*\n// */ INSERT_EFFECT Flash\n", true},
      {"a skip ends after 199 characters", "//" + std::string(199, ' ') + "INSERT_EFFECT Flash\n", true},
      {"a skip of a shorter line", "//" + std::string(150, ' ') + "INSERT_EFFECT Flash\n", false},
      {"unterminated block comment", "/*\nINSERT_EFFECT Flash\n", false},
  };
  for (const CommentCase& c : cases) {
    load(std::string(kHead) + c.script + "INSERT_EFFECT Scene3\n");
    EXPECT_EQ(list.find("Flash") != nullptr, c.flashInserted) << c.what;
    // Only the unterminated comment swallows the rest of the script.
    const bool unterminated = std::string(c.what) == "unterminated block comment";
    EXPECT_EQ(list.find("Scene3") != nullptr, !unterminated) << c.what;
  }
}

struct SignalCase {
  const char* what;
  const char* sections;  // section words before the line
  const char* line;      // the SIGNAL line
  Keys keys;             // keys of the addressed variable afterwards (after simplification)
  std::vector<std::string> added;
};

TEST_F(ScriptLoaderTest, SignalPerSection) {
  const SignalCase cases[] = {
      {"number in the header: no key", "", "0 s Fade Alpha 0.5", {}, {}},
      {"number in setup: no key", "__SETUP__", "0 s Fade Alpha 0.5", {}, {}},
      {"number in timeline", "__TIMELINE__", "100 s Fade Alpha 0.5", {{0, 0.5f}, {100, 0.5f}, {60000, 0.5f}}, {}},
      {"text in setup: string added", "__SETUP__", "0 s Fade Texture \"a.png\"", {}, {"0:a.png:1"}},
      {"text in the header: nothing", "", "0 s Fade Texture \"a.png\"", {}, {}},
      {"timeline rules over setup", "__SETUP__ __TIMELINE__", "100 s Fade Alpha 1", {{0, 1}, {100, 1}, {60000, 1}}, {}},
      {"int scaled by count - 1", "__TIMELINE__", "100 s Fade Index 0.5", {{0, 2}, {100, 2}, {60000, 2}}, {}},
  };
  for (const SignalCase& c : cases) {
    load(std::string(kHead) + c.sections + "\n" + c.line + "\n");
    RecordingEffect* fade = effect("Fade");
    ASSERT_NE(fade, nullptr);
    const std::string var = std::string(c.line).substr(std::string(c.line).find("Fade ") + 5);
    const std::string name = var.substr(0, var.find(' '));
    Keys keys;
    if (name == "Alpha") keys = keysOf(fade->alpha);
    if (name == "Index") keys = keysOf(fade->index);
    if (name == "Texture") keys = keysOf(fade->texture);
    EXPECT_EQ(keys, c.keys) << c.what;
    EXPECT_EQ(fade->added, c.added) << c.what;
  }
}

TEST_F(ScriptLoaderTest, TextSignalsInTheTimelineIndexTheList) {
  load(std::string(kHead) +
       "__SETUP__\n0 s Fade Texture \"a\"\n0 s Fade Texture \"b\"\n0 s Fade Texture \"c\"\n"
       "__TIMELINE__\n100 s Fade Texture \"c\"\n200 s Fade Texture \"zzz\"\n");
  RecordingEffect* fade = effect("Fade");
  EXPECT_EQ(fade->texture.getCount(), 3u);
  // The third entry gives 2 whatever the count (no scaling); a missing text gives 0.
  EXPECT_EQ(keysOf(fade->texture), (Keys{{0, 2}, {100, 2}, {200, 0}, {60000, 2}}));
}

TEST_F(ScriptLoaderTest, UnsupportedListInSetupReportsAndInTimelineWritesZero) {
  ReportCapture capture;
  load(std::string(kHead) + "__SETUP__\n0 s Fade Odd \"x\"\n__TIMELINE__\n100 s Fade Odd \"x\"\n");
  EXPECT_EQ(capture.reports().size(), 1u);
  EXPECT_TRUE(capture.contains("Unsupported variable"));
  EXPECT_EQ(keysOf(effect("Fade")->odd), (Keys{{0, 0}, {100, 0}, {60000, 0}}));
}

TEST_F(ScriptLoaderTest, StringKeyedVariables) {
  load(std::string(kHead) + "0 s Fade Caption \"early\"\n__TIMELINE__\n1000 s Fade Caption \"1010\"\n" +
       "2000 s Fade Caption 5\n3000 s Fade Pattern \"1100\"\n");
  RecordingEffect* fade = effect("Fade");
  // Any section writes string keys; an unquoted value writes an empty string.
  EXPECT_EQ(fade->caption.valueAt(0), "early");
  EXPECT_EQ(fade->caption.valueAt(1500), "1010");
  EXPECT_EQ(fade->caption.valueAt(2500), "");
  StringVariable* pattern = static_cast<StringVariable*>(fade->findVariable("Pattern"));
  EXPECT_EQ(pattern->valueAt(3000), "1100");
}

struct TriggerCase {
  const char* what;
  const char* value;  // value part of "100 t Fade EV"
  const char* text;
  float values[3];
};

TEST_F(ScriptLoaderTest, TriggerValueParts) {
  const TriggerCase cases[] = {
      {"nothing", "", "", {0, 0, 0}},
      {"one number", "7", "", {7, 0, 0}},
      {"four numbers keep three", "1 2 3 4", "", {1, 2, 3}},
      {"blanks between and after", "  1   2  ", "", {1, 2, 0}},
      {"decimal syntax", "-1.5e2 .25 +3.", "", {-150, 0.25f, 3}},
      {"tab after a number ends the part", "5\t6", "", {5, 0, 0}},
      {"tab then blank before a number", "\t5 6", "", {5, 6, 0}},
      {"not a number", "x 2", "", {0, 0, 0}},
      {"a non-number ends the extras", "1 x 3", "", {1, 0, 0}},
      {"hex is not decimal", "0x10 4", "", {0, 0, 0}},
      {"text", "\"Flash\"", "Flash", {0, 0, 0}},
      {"text with blanks", "\"a b\"", "a b", {0, 0, 0}},
      {"text then numbers", "\"Flash\" 3 4", "Flash", {3, 4, 0}},
      {"a later text replaces", "\"a\" \"b\" 2", "b", {2, 0, 0}},
      {"text right after a number is not read", "1 \"a\"", "", {1, 0, 0}},
      {"trailing comment words are not numbers", "4 // note", "", {4, 0, 0}},
      {"carriage return at the line end", "4 5\r", "", {4, 5, 0}},
  };
  for (const TriggerCase& c : cases) {
    load(std::string(kHead) + "DEFINE EV 12\n100 t Fade EV " + c.value + "\n100 t Fade EV 1\n");
    ASSERT_EQ(timeline.getEvents().size(), 2u) << c.what;
    const EffectEvent& e = timeline.getEvents()[0];
    EXPECT_EQ(e.type, 12) << c.what;
    EXPECT_EQ(e.text, c.text) << c.what;
    EXPECT_FLOAT_EQ(e.value, c.values[0]) << c.what;
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(e.values[i], c.values[i]) << c.what << " value " << i;
    // The extra numbers belong to their own line only.
    const EffectEvent& later = timeline.getEvents()[1];
    EXPECT_FLOAT_EQ(later.values[1], 0.0f) << c.what;
    EXPECT_EQ(later.text, "") << c.what;
  }
}

TEST_F(ScriptLoaderTest, TriggerWithUndefinedNameIsDroppedAndInitSchedules) {
  load(std::string(kHead) + "100 t Fade NOPE \"ignored\" 1 2\n50 i Ghost\n");
  ASSERT_EQ(timeline.getEvents().size(), 1u);
  EXPECT_EQ(timeline.getEvents()[0].effectName, "Ghost");
  EXPECT_EQ(timeline.getEvents()[0].type, 0);
  EXPECT_EQ(timeline.getEvents()[0].time, 50u);
}

TEST_F(ScriptLoaderTest, LongFormsUnknownCommandsAndLayers) {
  load(std::string(kHead) + "DEFINE EV 3\n100 BEGIN Fade\n200 END Fade\n300 INIT Fade\n" +
       "__TIMELINE__\n400 SIGNAL Fade Alpha 0.5\n500 TRIGGER Fade EV 1\n600 SET_LAYER Fade 4\n" +
       "700 l Fade 2\n800 x Fade\n900 b Fade\n");
  RecordingEffect* fade = effect("Fade");
  EXPECT_EQ(keysOf(fade->getActive()), (Keys{{0, 0}, {100, 1}, {200, 0}, {900, 1}, {60000, 0}}));
  EXPECT_EQ(keysOf(fade->alpha), (Keys{{0, 0.5f}, {400, 0.5f}, {60000, 0.5f}}));
  ASSERT_EQ(timeline.getEvents().size(), 2u);
  EXPECT_EQ(timeline.getEvents()[1].type, 3);
}

TEST_F(ScriptLoaderTest, DemoEndAfterInsertEffectLeavesTheInstanceInactive) {
  load("INSERT_EFFECT Fade\nDEMO_END 10000\n1000 b Fade\n");
  RecordingEffect* fade = effect("Fade");
  // Keys (0, false), (0, false): the begin key is dropped and simplification makes it constant.
  EXPECT_TRUE(fade->getActive().getKeys().empty());
  for (uint32_t t : {0u, 1000u, 5000u}) EXPECT_FALSE(fade->getActive().valueAt(t)) << t;
  // The end key time stays for the next load of the run, so the same script now works.
  load("INSERT_EFFECT Fade\nDEMO_END 10000\n1000 b Fade\n");
  EXPECT_TRUE(effect("Fade")->getActive().valueAt(1000));
}

TEST_F(ScriptLoaderTest, LinetimeEndsTheScriptButTheLoadFinishes) {
  load(std::string(kHead) + "DEFINE EV 1\n0 s Fade Flag 1\n500 t Fade EV\n100 t Fade EV\n__LINETIME__\n" +
       "INSERT_EFFECT Flash\nDEMO_BEAT 5\n");
  EXPECT_EQ(list.find("Flash"), nullptr);
  EXPECT_EQ(demoSettings().beat, 100);
  EXPECT_EQ(demoSettings().endTime, 60000);
  // Sorting and simplification still ran.
  ASSERT_EQ(timeline.getEvents().size(), 2u);
  EXPECT_EQ(timeline.getEvents()[0].time, 100u);
  EXPECT_TRUE(effect("Fade")->getActive().getKeys().empty());
}

struct FlagCase {
  const char* script;
  bool fullscreen;
  bool music;
  size_t reports;
};

TEST_F(ScriptLoaderTest, FullScreenAndMusicFlags) {
  const FlagCase cases[] = {
      {"DEMO_FULLSCREEN 0 DEMO_MUSIC 0", false, false, 0},
      {"DEMO_FULLSCREEN 2 DEMO_MUSIC -1", true, true, 0},
      {"DEMO_FULLSCREEN yes DEMO_MUSIC 0", true, false, 1},  // a non-number leaves the flag
      {"DEMO_MUSIC 0x1", true, true, 1},
  };
  for (const FlagCase& c : cases) {
    demoSettings().fullscreen = true;
    demoSettings().music = true;
    ReportCapture capture;
    load(std::string(c.script) + "\nINSERT_EFFECT Fade\n");
    EXPECT_EQ(demoSettings().fullscreen, c.fullscreen) << c.script;
    EXPECT_EQ(demoSettings().music, c.music) << c.script;
    EXPECT_EQ(capture.reports().size(), c.reports) << c.script;
    EXPECT_NE(list.find("Fade"), nullptr) << c.script;  // the load went on
  }
}

TEST_F(ScriptLoaderTest, OverlongValuePartsAreDroppedWithAReport) {
  ReportCapture capture;
  const std::string blanks(250, ' ');
  load(std::string(kHead) + "DEFINE EV 4\n__TIMELINE__\n100 s Fade Alpha" + blanks + "0.5\n" + "100 t Fade EV" +
       blanks + "1\n200 s Fade Alpha 0.25" + blanks + "\n");
  EXPECT_EQ(capture.reports().size(), 2u);
  EXPECT_TRUE(capture.contains("(t.scr:5)"));
  EXPECT_TRUE(capture.contains("(t.scr:6)"));
  EXPECT_TRUE(timeline.getEvents().empty());
  // Trailing blanks do not count: the last line is read.
  EXPECT_EQ(keysOf(effect("Fade")->alpha), (Keys{{0, 0.25f}, {200, 0.25f}, {60000, 0.25f}}));
}

TEST_F(ScriptLoaderTest, AwkwardInputLoadsWithoutHarm) {
  // No trailing newline, CR LF line ends, an empty script, a very long line of words.
  load(std::string(kHead) + "100 b Fade");
  EXPECT_EQ(beginTimes(), (std::vector<uint32_t>{100}));
  load("DEMO_END 60000\r\nINSERT_EFFECT Fade\r\n__TIMELINE__\r\n100 s Fade Alpha 0.5\r\n200 b Fade\r\n");
  EXPECT_EQ(beginTimes(), (std::vector<uint32_t>{200}));
  EXPECT_EQ(keysOf(effect("Fade")->alpha), (Keys{{0, 0.5f}, {100, 0.5f}, {60000, 0.5f}}));
  load("");
  EXPECT_TRUE(list.getEffects().empty());
  std::string many(kHead);
  for (int i = 0; i < 20000; ++i) many += "__SETUP__ ";
  load(many + "\n300 b Fade");
  EXPECT_EQ(beginTimes(), (std::vector<uint32_t>{300}));
  // Keywords cut off by the end of the input.
  for (const char* tail : {"DEMO_END", "DEFINE", "DEFINE X", "INSERT_EFFECT", "5 +", "5 b", "DEMO_MUSIC", "7 s Fade"})
    load(std::string(kHead) + tail);
}

TEST_F(ScriptLoaderTest, LoadsAFileThroughMemoryFiles) {
  char dir[] = "/tmp/rk17_script_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/demo.scr";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("DEMO_END 2000\nINSERT_EFFECT Fade\n10 b Fade\n", f);
  fclose(f);
  loader.load(path);
  EXPECT_EQ(demoSettings().endTime, 2000);
  EXPECT_EQ(beginTimes(), (std::vector<uint32_t>{10}));
  remove(path.c_str());
  rmdir(dir);
}
