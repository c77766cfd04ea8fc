#include "ShowFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using EffectListTest = ShowFixture;

TEST_F(EffectListTest, InsertWritesTheFirstActivityKey) {
  EffectVariable::setEndKeyTime(60000);
  EXPECT_TRUE(list.insert("Fade"));
  Effect* fade = list.find("Fade");
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->getName(), "Fade");
  const auto& keys = fade->getActive().getKeys();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].time, 0u);
  EXPECT_EQ(keys[1].time, 60000u);
  EXPECT_FALSE(keys[0].value || keys[1].value);
}

TEST_F(EffectListTest, DuplicatesFindTheFirstAndOrderIsInsertion) {
  list.insert("Flash");
  list.insert("Fade");
  list.insert("Flash");
  const std::vector<Effect*> effects = list.getEffects();
  ASSERT_EQ(effects.size(), 3u);
  EXPECT_EQ(effects[0]->getName(), "Flash");
  EXPECT_EQ(effects[1]->getName(), "Fade");
  EXPECT_EQ(list.find("Flash"), effects[0]);
  EXPECT_EQ(list.find("flash"), nullptr);
}

TEST_F(EffectListTest, RowsPassTheRegistryNameWhenTheyWantIt) {
  list.insert("Scene3");
  EXPECT_NE(list.find("Scene3"), nullptr);
}

TEST_F(EffectListTest, FirstMatchingRowWins) {
  EffectList own;
  own.addRegistryRowForTest({"Twin", [](const std::string&) -> std::unique_ptr<Effect> {
                               return std::make_unique<RecordingEffect>("First");
                             }});
  own.addRegistryRowForTest({"Twin", [](const std::string&) -> std::unique_ptr<Effect> {
                               return std::make_unique<RecordingEffect>("Second");
                             }});
  own.insert("Twin");
  EXPECT_NE(own.find("First"), nullptr);
  EXPECT_EQ(own.find("Second"), nullptr);
}

TEST_F(EffectListTest, ClearDestroysInListOrder) {
  list.insert("Flash");
  list.insert("Fade");
  RecordingEffect::log().clear();
  list.clear();
  EXPECT_EQ(RecordingEffect::log(), (std::vector<std::string>{"Flash destroy", "Fade destroy"}));
  EXPECT_EQ(list.find("Flash"), nullptr);
  EXPECT_EQ(list.find("Fade"), nullptr);
  EXPECT_TRUE(list.getEffects().empty());
}

TEST(EffectListDeathTest, UnknownNamesAreFatal) {
  EffectList own;
  own.addRegistryRowForTest({"Fade", [](const std::string&) -> std::unique_ptr<Effect> {
                               return std::make_unique<RecordingEffect>("Fade");
                             }});
  EXPECT_EXIT(own.insert("fade"), ::testing::ExitedWithCode(1), "Effect Id not found: fade");
  EXPECT_EXIT(own.insert("Nope"), ::testing::ExitedWithCode(1), "Effect Id not found: Nope");
}
