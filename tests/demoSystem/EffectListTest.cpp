#include "EffectTable.h"
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

TEST(EffectTable, HoldsTheRegistryNamesInPrecedenceOrder) {
  const char* expected[] = {"Blur",     "Clear",    "Cloud",  "DOF",      "GridExp",  "Image",  "Image2",
                            "RotoZoom", "Mosaic",   "Osc",    "Fade",     "Flash",    "Flower", "Noise",
                            "Scene1",   "Scene2",   "Scene3", "Spectrum", "Scene4",   "Scene5", "Scene6",
                            "Scene7",   "Splinzor", "Test3d", "Head",     "Tentacle", "Mech",   "Tiles"};
  const std::vector<EffectRegistryRow> rows = EffectTable::rows();
  ASSERT_EQ(rows.size(), 28u);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_STREQ(rows[i].name, expected[i]);
}

TEST(EffectTableDeathTest, RowsWithoutAnEffectYetAreNotFound) {
  EffectList own(EffectTable::rows());
  // Pick a row whose effect is not built yet, if any is left.
  for (const EffectRegistryRow& row : EffectTable::rows()) {
    if (row.create) continue;
    EXPECT_FALSE(own.isRegistered(row.name));
    EXPECT_EXIT(own.insert(row.name), ::testing::ExitedWithCode(1), std::string("Effect Id not found: ") + row.name);
    break;
  }
}
