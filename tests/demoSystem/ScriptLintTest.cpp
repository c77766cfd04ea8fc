// The script lint: every kind of problem in one run, at its line, without touching the show.
#include <gtest/gtest.h>

#include "EffectDescription.h"
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

// "Fade" with an event table: a speed (one number), a camera and an object by name.
const EffectDescription kFadeEvents = {"test",
                                       {},
                                       {{22, "SPEED", 1, 1, EventDescription::Text::None, ""},
                                        {18, "CAM", 0, 0, EventDescription::Text::Camera, ""},
                                        {6, "PICK", 0, 0, EventDescription::Text::Object, ""}},
                                       ""};
// "Flash" loads data/scenes/s.vdg by itself.
const EffectDescription kFlashEvents = {"test",
                                        {},
                                        {{18, "CAM", 0, 0, EventDescription::Text::Camera, ""}},
                                        "",
                                        "data/scenes/s.vdg"};

std::vector<EffectRegistryRow> describedRows() {
  std::vector<EffectRegistryRow> rows = lintRows();
  rows[0].description = &kFadeEvents;
  rows[1].description = &kFlashEvents;
  return rows;
}

// Each script after a clean head (DEMO_END 5000, Fade inserted, lines 1-4) gives exactly the
// problems listed, at their lines.
TEST_F(ScriptLintTest, WarnsAboutWhatNewcomersGetWrong) {
  data.write("data/scenes/s.vdg", "x");
  const std::string head = "DEMO_END 5000\n__SETUP__\nINSERT_EFFECT Fade\n__TIMELINE__\n";
  const struct {
    const char* name;
    std::string script;
    std::vector<std::pair<int, const char*>> expected;
  } cases[] = {
      {"clean", head + "0 b Fade\n0 s Fade Alpha 0\n2000 s Fade Alpha 1\n5000 s Fade Alpha 1\n", {}},
      {"no DEMO_END", "INSERT_EFFECT Fade\n0 b Fade\n", {{0, "no DEMO_END: every key closes at 0"}}},
      {"keys before DEMO_END",
       "INSERT_EFFECT Fade\n0 b Fade\n1000 e Fade\nDEMO_END 5000\n",
       {{2, "key before DEMO_END (line 4)"}, {4, "DEMO_END after INSERT_EFFECT"}}},
      {"glide", head + "0 b Fade\n0 s Fade Alpha 0\n2000 s Fade Alpha 1\n",
       {{7, "Fade.Alpha glides from 1 at 2000 back to its first key's value 0 at DEMO_END 5000; to hold it, add: "
            "5000 s Fade Alpha 1 (or, to keep the glide, 5000 s Fade Alpha 0)"}}},
      {"glide unseen", head + "0 b Fade\n0 s Fade Alpha 0\n2000 s Fade Alpha 1\n2000 e Fade\n", {}},
      {"glide seen again", head + "0 b Fade\n0 s Fade Alpha 0\n2000 s Fade Alpha 1\n2000 e Fade\n4000 b Fade\n",
       {{7, "Fade.Alpha glides from 1 at 2000"}}},
      {"steps hold", head + "0 s Fade Index 0\n2000 s Fade Index 1\n0 s Fade Alpha 1\n3000 s Fade Alpha 1\n", {}},
      {"end before begin", head + "1000 e Fade\n2000 b Fade\n3000 e Fade\n",
       {{5, "END of Fade at 1000 comes before its first BEGIN (at 2000)"}}},
      {"end without begin", head + "1000 e Fade\n", {{5, "no line begins it"}}},
      // The words after a misspelt keyword are out of step: no unknown command "500" on top.
      {"misspelt keyword", head + "DEMO_BEATT 500\n0 b Fade\n",
       {{5, "DEFINE not found: DEMO_BEATT (did you mean \"DEMO_BEAT\"?)"}, {6, "DEFINE not found: b"}}},
      {"unknown command", head + "0 B Fade\n0 x Fade\n",
       {{5, "unknown command, line ignored: B (b e i s t l, or BEGIN END INIT SIGNAL TRIGGER SET_LAYER) (did you "
            "mean \"b\"?)"},
        {6, "unknown command, line ignored: x"}}},
      {"misspellings", "DEMO_END 5000\nINSERT_EFFECT fade\nINSERT_EFFECT Fade\n0 s Fade alpha 1\nDEMO_ENDD 100\n",
       {{2, "Effect Id not found: fade (did you mean \"Fade\"?)"},
        {4, "Variable not found: alpha (did you mean \"Alpha\"?)"},
        {5, "DEFINE not found: DEMO_ENDD (did you mean \"DEMO_END\"?)"}}},
      {"quotes", head + "0 s Fade Caption data/x.png\"\n0 s Fade Caption \"data/x.png\n0 s Fade Alpha 1 // one\n",
       {{5, "a quote without its opening one, value not read: data/x.png\""},
        {6, "Error in script string: data/x.png (the opening quote has no closing one on this line)"}}},
      {"unquoted text", head + "0 s Fade Caption 1000\n", {{5, "Caption takes a quoted text"}}},
      {"unquoted file", "DEMO_END 5000\n__SETUP__\nINSERT_EFFECT Fade\n0 s Fade Texture data/images/here.png\n",
       {{4, "value not read: data/images/here.png (a text needs quotes at both ends"}}},
      {"negative time", head + "0 b Fade\n-1000 e Fade\n",
       {{6, "time after DEMO_END: -1000 > 5000 (a negative time"}}},
      {"events", "DEMO_END 5000\nDEFINE SPEED 22\nDEFINE FLICK 7\nDEFINE LINK 2\nDEFINE CAM 18\nDEFINE PICK 6\n"
                 "__SETUP__\nINSERT_EFFECT Fade\n0 s Fade Texture \"data/scenes/s.vdg\"\n__TIMELINE__\n"
                 "0 t Fade SPEED 1 2\n0 t Fade FLICK 1\n0 t Fade LINK \"Fdae\"\n0 t Fade CAM \"camera02\"\n"
                 "0 t Fade PICK \"arm\"\n0 t Fade CAM \"Camera01\"\n0 t Fade LINK \"Fade\"\n0 t Fade SPEED 2\n",
       {{11, "event SPEED (22) of Fade takes 1 number, the line has 2"},
        {12, "Fade does not react to event FLICK (7); it reacts to 0 2 5 6 18 19 22"},
        {13, "no effect named Fdae in the show (did you mean \"Fade\"?)"},
        {14, "data/scenes/s.vdg has no camera named camera02 (did you mean \"Camera02\"?); its cameras: Camera01, "
             "Camera02"},
        {15, "data/scenes/s.vdg has no object named arm"}}},
      {"own scene", head + "INSERT_EFFECT Flash\nDEFINE CAM 18\n0 t Flash CAM \"Camera9\"\n0 t Flash CAM \"Camera01\"\n",
       {{7, "data/scenes/s.vdg has no camera named Camera9"}}},
  };
  ScriptLint lint(describedRows());
  int sceneReads = 0;
  lint.setSceneNames([&](const std::string& file, std::vector<std::string>& cameras, std::vector<std::string>& objects) {
    ++sceneReads;
    cameras = {"Camera01", "Camera02"};
    objects = {"Camera01", "Camera02", "body"};
    return file == "data/scenes/s.vdg";
  });
  for (const auto& c : cases) {
    const std::vector<ScriptCheck::Problem> problems = lint.checkText(c.script, "show.scr");
    std::string all;
    for (const auto& p : problems) all += ScriptLint::format("show.scr", p) + "\n";
    ASSERT_EQ(problems.size(), c.expected.size()) << c.name << "\n" << all;
    for (size_t i = 0; i < problems.size(); ++i) {
      EXPECT_EQ(problems[i].line, c.expected[i].first) << c.name << "\n" << all;
      EXPECT_NE(problems[i].message.find(c.expected[i].second), std::string::npos) << c.name << "\n" << all;
    }
  }
  EXPECT_EQ(sceneReads, 2);  // one read per scene file and run: two runs ask for names
}

}  // namespace
