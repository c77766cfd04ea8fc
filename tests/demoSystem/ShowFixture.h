#pragma once
// A fresh show for each test: an effect list with test rows, a timeline, both published as
// current, a loader, and the process-wide values of a program start (end key time 0, last
// pattern step 1000, default settings).
#include "DemoSettings.h"
#include "EffectList.h"
#include "RecordingEffect.h"
#include "ScriptLoader.h"
#include "Timeline.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class ShowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    EffectVariable::setEndKeyTime(0);
    Effect::setLastPatternStep(1000);
    demoSettings() = DemoSettings();
    RecordingEffect::log().clear();
    list.addRegistryRowForTest({"Fade", [](const std::string&) -> std::unique_ptr<Effect> {
                                  return std::make_unique<RecordingEffect>("Fade");
                                }});
    list.addRegistryRowForTest({"Flash", [](const std::string&) -> std::unique_ptr<Effect> {
                                  return std::make_unique<RecordingEffect>("Flash");
                                }});
    list.addRegistryRowForTest({"Scene3", [](const std::string& name) -> std::unique_ptr<Effect> {
                                  return std::make_unique<RecordingEffect>(name);
                                }});
    list.addRegistryRowForTest({"Pat", [](const std::string&) -> std::unique_ptr<Effect> {
                                  return std::make_unique<RecordingEffect>("Pat", true);
                                }});
    EffectList::setCurrent(&list);
    Timeline::setCurrent(&timeline);
  }
  void TearDown() override {
    EffectList::setCurrent(nullptr);
    Timeline::setCurrent(nullptr);
  }

  void load(const std::string& script) { loader.loadText(script, "t.scr"); }
  RecordingEffect* effect(const std::string& name) { return static_cast<RecordingEffect*>(list.find(name)); }

  EffectList list;
  Timeline timeline;
  ScriptLoader loader;
};
