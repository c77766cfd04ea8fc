// Suggestions for misspelt names: case slips, one edit per four letters, swapped neighbours;
// nothing for a name that is right or too far off.
#include <gtest/gtest.h>

#include "NameSuggestion.h"

namespace {

TEST(NameSuggestion, SuggestsOnlyCloseNames) {
  const std::vector<std::string> names = {"FogMode", "FogEnd", "Image", "Image2", "DEMO_END", "b", "e"};
  const struct {
    const char* word;
    const char* expected;
  } cases[] = {
      {"fogmode", "FogMode"},  // case only
      {"FogMod", "FogMode"},   // one letter short
      {"Imgae", "Image"},      // two neighbours swapped
      {"Image3", "Image"},     // the first of equally close names
      {"DEMO_ENDD", "DEMO_END"},
      {"B", "b"},
      {"x", ""},        // one edit from "b", but short words differ in case only
      {"Fogger", ""},   // too far
      {"FogMode", ""},  // right already
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NameSuggestion::closest(c.word, names), c.expected) << c.word;
  EXPECT_EQ(NameSuggestion::hint("fogmode", names), " (did you mean \"FogMode\"?)");
  EXPECT_EQ(NameSuggestion::hint("zzz", names), "");
}

}  // namespace
