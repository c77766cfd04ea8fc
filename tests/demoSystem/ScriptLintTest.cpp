// The script lint: every kind of problem in one run, at its line, without touching the show.
#include <gtest/gtest.h>

#include "MemoryFile.h"
#include "ScriptLint.h"
#include "ShowFixture.h"
#include "TempDir.h"

namespace {

std::vector<EffectRegistryRow> lintRows() {
  return {
      {"Fade", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<RecordingEffect>("Fade"); }},
      {"Flash",
       [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<RecordingEffect>("Flash"); }}};
}

class ScriptLintTest : public ShowFixture {
 protected:
  void SetUp() override {
    ShowFixture::SetUp();
    data.write("data/images/here.png", "x");
    setDataFolders({data.path()});
  }
  void TearDown() override {
    setDataFolders({});
    ShowFixture::TearDown();
  }
  TempDir data;
};

TEST_F(ScriptLintTest, FindsOneOfEachKindAtItsLine) {
  const std::string script =
      "__HEADER__\n"                                    // 1
      "DEMO_END 5000\n"                                 // 2
      "__DEFS__\n"                                      // 3
      "DEFINE GO 22\n"                                  // 4
      "DEFINE 9LIVES 3\n"                               // 5
      "__SETUP__\n"                                     // 6
      "INSERT_EFFECT Fade\n"                            // 7
      "INSERT_EFFECT Nope\n"                            // 8
      "0 s Fade Texture \"data/images/missing.png\"\n"  // 9
      "0 s Fade Texture \"data/images/here.png\"\n"     // 10
      "__TIMELINE__\n"                                  // 11
      "0 b Fade\n"                                      // 12
      "LATER b Fade\n"                                  // 13
      "0 s Fade Glow 1\n"                               // 14
      "6000 e Fade\n"                                   // 15
      "100 t Ghost GO 1\n"                              // 16
      "100 t Fade NOPE 1\n"                             // 17
      "200 s Fade Alpha \"bad\n"                        // 18
      "0 b Missing\n"                                   // 19
      "DEMO_FULLSCREEN yes\n"                           // 20
      "DEMO_END 5000\n";                                // 21
  const struct {
    int line;
    const char* text;
    bool fatal;
  } expected[] = {
      {5, "DEFINE id cannot start with digit: 9LIVES", true},
      {8, "Effect Id not found: Nope", true},
      {9, "file not found in the show's data: data/images/missing.png", false},
      {13, "DEFINE not found: LATER", true},
      {14, "Variable not found: Glow", true},
      {15, "time after DEMO_END: 6000 > 5000", false},
      {16, "no effect in the show receives this event: Ghost", false},
      {17, "TRIGGER event not defined, line ignored: NOPE", false},
      {18, "Error in script string: bad", true},
      {19, "Effect not found: Missing", true},
      {20, "number expected, ignored: yes", false},
      {21, "DEMO_END after INSERT_EFFECT", false},
  };
  ScriptLint lint(lintRows());
  const std::vector<ScriptCheck::Problem> problems = lint.checkText(script, "show.scr");
  std::string all;
  for (const auto& p : problems) all += ScriptLint::format("show.scr", p) + "\n";
  ASSERT_EQ(problems.size(), std::size(expected)) << all;
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_EQ(problems[i].line, expected[i].line) << all;
    EXPECT_NE(problems[i].message.find(expected[i].text), std::string::npos) << problems[i].message;
    EXPECT_EQ(problems[i].fatal, expected[i].fatal) << problems[i].message;
  }
  EXPECT_TRUE(ScriptLint::hasFatal(problems));
  EXPECT_EQ(ScriptLint::format("show.scr", problems[0]), "show.scr:5: DEFINE id cannot start with digit: 9LIVES");
}

TEST_F(ScriptLintTest, LeavesTheShowAndItsSettingsAlone) {
  load("DEMO_END 3000\nDEMO_FULLSCREEN 0\nINSERT_EFFECT Flash\n");
  ScriptLint lint(lintRows());
  const auto problems = lint.checkText(
      "DEMO_END 9000\nDEMO_FULLSCREEN 1\nDEMO_MUSIC 0\nINSERT_EFFECT Fade\n"
      "INSERT_EFFECT Fade\n0 b Fade\n",
      "show.scr");
  EXPECT_TRUE(problems.empty()) << problems.front().message;
  EXPECT_EQ(EffectList::current(), &list);
  EXPECT_EQ(Timeline::current(), &timeline);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_NE(list.find("Flash"), nullptr);
  EXPECT_EQ(demoSettings().endTime, 3000);
  EXPECT_FALSE(demoSettings().fullscreen);
  EXPECT_TRUE(demoSettings().music);
  EXPECT_EQ(EffectVariable::getEndKeyTime(), 3000u);
}

}  // namespace
