// The registry table of the effects layer, as the entry hands it to EffectList.
#include "EffectList.h"
#include "EffectTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
