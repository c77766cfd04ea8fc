#include "ReportCapture.h"
#include "ShowFixture.h"

#include <gtest/gtest.h>

namespace {
class EffectTest : public ShowFixture {
 protected:
  void SetUp() override {
    ShowFixture::SetUp();
    EffectVariable::setEndKeyTime(60000);
  }
};

EffectEvent makeEvent(int32_t type, uint32_t time, float value, const std::string& text = "") {
  EffectEvent e;
  e.type = type;
  e.time = time;
  e.value = value;
  e.values[0] = value;
  e.text = text;
  return e;
}
}  // namespace

TEST_F(EffectTest, RegistrationOrderNamesAndDefaults) {
  RecordingEffect e("Fade");
  const char* names[] = {"Speed", "SpectrumStr", "Pattern", "Alpha", "Index", "Flag", "Caption", "Texture", "Odd"};
  const int32_t types[] = {1, 1, 4, 1, 3, 2, 4, 3, 3};
  const int32_t lists[] = {10000, 10000, 10000, 10000, 10000, 10000, 10000, 0, 5};
  ASSERT_EQ(e.getVariables().size(), 9u);
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(e.getVariables()[i]->getName(), names[i]);
    EXPECT_EQ(e.getVariables()[i]->getTypeCode(), types[i]) << names[i];
    EXPECT_EQ(e.getVariables()[i]->getStringList(), lists[i]) << names[i];
  }
  EXPECT_FLOAT_EQ(static_cast<FloatVariable*>(e.findVariable("Speed"))->getCurrentValue(), 0.5f);
  StringVariable* pattern = static_cast<StringVariable*>(e.findVariable("Pattern"));
  EXPECT_EQ(pattern->getCurrentValue(), "1000");
  EXPECT_TRUE(pattern->isTakingStringKeys());
  EXPECT_EQ(e.getActive().getName(), "Fade");
  EXPECT_EQ(e.getActive().getTypeCode(), 2);
  EXPECT_EQ(e.findVariable("Fade"), nullptr);   // the activity span is not in the variable list
  EXPECT_EQ(e.findVariable("alpha"), nullptr);  // names are case-sensitive
}

TEST_F(EffectTest, UpdateAdvancesLocalTimeAndPhase) {
  RecordingEffect e("Fade");
  e.handleEvent(makeEvent(0, 1000, 0));
  e.update(1500);
  EXPECT_EQ(e.getCurrentTime(), 1500u);
  EXPECT_EQ(e.getLocalTime(), 500u);
  EXPECT_FLOAT_EQ(e.getSpeedFactor(), 0.1f);
  EXPECT_FLOAT_EQ(e.getPhase(), 50.0f);  // 0.1 per ms with the default speed
  e.setSpeed(2.0f);
  e.update(1600);
  EXPECT_FLOAT_EQ(e.getPhase(), 0.4f * 600.0f);

  // A time offset of 250.7 truncates to 250 and makes local time lag by it.
  e.handleEvent(makeEvent(19, 0, 250.7f));
  EXPECT_EQ(e.getTimeOffset(), 250);
  e.update(1600);
  EXPECT_EQ(e.getLocalTime(), 350u);
  // Before the start: local time wraps around as an unsigned number.
  e.update(1000);
  EXPECT_EQ(e.getLocalTime(), static_cast<uint32_t>(-250));
  e.handleEvent(makeEvent(19, 0, -1e20f));  // saturates instead of undefined behaviour
  EXPECT_EQ(e.getTimeOffset(), INT32_MIN);
}

TEST_F(EffectTest, StartEventRunsTheDerivedStart) {
  RecordingEffect e("Fade");
  e.update(5000);
  e.handleEvent(makeEvent(0, 3000, 0));
  EXPECT_EQ(e.getStartTime(), 3000u);
  EXPECT_EQ(e.getCurrentTime(), 3000u);
  EXPECT_EQ(e.getLocalTime(), 0u);
  EXPECT_FLOAT_EQ(e.getPhase(), 0.0f);
  EXPECT_EQ(RecordingEffect::log().back(), "Fade event 0 3000");
  EXPECT_EQ(RecordingEffect::log()[RecordingEffect::log().size() - 2], "Fade start 3000");
}

TEST_F(EffectTest, LinkAndPulseEvents) {
  list.insert("Fade");
  list.insert("Flash");
  Effect* fade = list.find("Fade");
  fade->handleEvent(makeEvent(2, 0, 0, "Flash"));
  EXPECT_EQ(fade->getLinkedEffect(), list.find("Flash"));
  fade->handleEvent(makeEvent(2, 0, 0, "Nothing"));
  EXPECT_EQ(fade->getLinkedEffect(), nullptr);
  EffectList::setCurrent(nullptr);
  fade->handleEvent(makeEvent(2, 0, 0, "Flash"));
  EXPECT_EQ(fade->getLinkedEffect(), nullptr);
  EffectList::setCurrent(&list);

  // Pulse = SpectrumStr at the event time x value.
  FloatVariable* strength = static_cast<FloatVariable*>(fade->findVariable("SpectrumStr"));
  strength->setKey(0.0f, 0);
  strength->setKey(2.0f, 1000);
  fade->handleEvent(makeEvent(5, 500, 3.0f));
  EXPECT_FLOAT_EQ(fade->getPulse(), 3.0f);
  fade->handleEvent(makeEvent(7, 500, 9.0f));  // not a base code: nothing
  EXPECT_FLOAT_EQ(fade->getPulse(), 3.0f);
  EXPECT_EQ(fade->getTimeOffset(), 0);
}

struct PatternStep {
  uint32_t time;
  uint32_t index;
  char value;
  bool stepCallback;
};

TEST_F(EffectTest, BeatPatternSteps) {
  demoSettings().beat = 100;
  RecordingEffect e("Pat", true);
  const PatternStep steps[] = {
      {0, 0, '1', true},   {99, 0, '1', false}, {100, 1, '0', true}, {199, 1, '0', false},
      {200, 2, '0', true}, {399, 3, '0', true}, {400, 0, '1', true}, {450, 0, '1', false},
  };
  for (const PatternStep& s : steps) {
    const size_t before = e.patternSteps.size();
    e.update(s.time);
    EXPECT_EQ(e.getPatternIndex(), s.index) << s.time;
    EXPECT_EQ(e.getPatternValue(), s.value) << s.time;
    EXPECT_EQ(e.patternSteps.size() - before, s.stepCallback ? 1u : 0u) << s.time;
  }
}

TEST_F(EffectTest, PatternStepIsSharedByAllInstances) {
  RecordingEffect a("Pat", true);
  RecordingEffect b("Pat", true);
  a.update(0);
  b.update(0);  // same step as the last one seen by a: no callback for b
  EXPECT_EQ(a.patternSteps.size(), 1u);
  EXPECT_TRUE(b.patternSteps.empty());
  EXPECT_EQ(Effect::getLastPatternStep(), 0u);
}

TEST_F(EffectTest, PatternEdgeCasesDoNotCrash) {
  RecordingEffect e("Pat", true);
  demoSettings().beat = 0;  // no division by zero: every time is step 0
  e.update(12345);
  EXPECT_EQ(e.getPatternIndex(), 0u);
  demoSettings().beat = 100;
  static_cast<StringVariable*>(e.findVariable("Pattern"))->setCurrentValue("");
  e.update(500);
  EXPECT_EQ(e.getPatternIndex(), 0u);
  EXPECT_EQ(e.getPatternValue(), '\0');
}

TEST_F(EffectTest, PatternValueWithoutPatternIsReported) {
  RecordingEffect e("Fade");
  e.update(100);
  EXPECT_TRUE(e.patternSteps.empty());
  ReportCapture capture;
  EXPECT_EQ(e.getPatternValue(), '0');
  EXPECT_TRUE(capture.contains("pattern value retrieved when _patternEnabled is false"));
}

TEST_F(EffectTest, StringLists) {
  RecordingEffect e("Fade");
  EXPECT_EQ(e.addString(0, "a.png"), 0);
  EXPECT_EQ(e.addString(0, "b.png"), 1);
  EXPECT_EQ(e.addString(1000, "x"), 0);
  EXPECT_EQ(e.added, (std::vector<std::string>{"0:a.png:1", "0:b.png:2", "1000:x:1"}));
  EXPECT_EQ(e.texture.getCount(), 2u);
  EXPECT_EQ(e.findString(0, "b.png"), 1);
  EXPECT_EQ(e.findString(0, "c.png"), 0);
  EXPECT_EQ(e.findString(7, "b.png"), 0);
  EXPECT_EQ(e.getString(0, 1), "b.png");
  EXPECT_EQ(e.getString(0, 2), "");
  EXPECT_EQ(e.getString(3, 0), "");
  e.clearStrings(0);
  EXPECT_EQ(e.getString(0, 0), "");
  EXPECT_EQ(e.getString(1000, 0), "x");
}

TEST_F(EffectTest, UnsupportedStringListIsReported) {
  RecordingEffect e("Fade");
  ReportCapture capture;
  EXPECT_EQ(e.addString(5, "a"), -1);
  EXPECT_EQ(e.added, (std::vector<std::string>{"5:a:0"}));
  EXPECT_TRUE(capture.contains("Unsupported variable"));
  capture.clear();
  e.clearStrings(5);
  EXPECT_TRUE(capture.contains("Unsupported variable"));
}
