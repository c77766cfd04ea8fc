// BlurPassText: the tap positions, margins and program texts of the blur passes, without GL (the
// pictures the programs make are checked against the literal taps in BlurTest).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlurPassText.h"

namespace {
using namespace BlurPassText;

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(BlurPassTextTest, TapShiftsFollowTheStepAndTheDirections) {
  const std::vector<float> both = tapShifts(3.0f, 6.5f, false, false);
  ASSERT_EQ(both.size(), 24u);
  EXPECT_EQ(both[0], 6.5f);   // the first tap across, moved left by the offset
  EXPECT_EQ(both[1], 0.0f);
  EXPECT_EQ(both[10], -8.5f); // the sixth: offset - 5 steps
  EXPECT_EQ(both[13], -6.5f); // the first tap down
  EXPECT_EQ(both[23], 8.5f);
  const std::vector<float> across = tapShifts(3.0f, 6.5f, true, false);
  ASSERT_EQ(across.size(), 12u);
  for (size_t i = 1; i < across.size(); i += 2) EXPECT_EQ(across[i], 0.0f);
  EXPECT_EQ(tapShifts(3.0f, 6.5f, false, true).size(), 12u);
  EXPECT_TRUE(tapShifts(3.0f, 6.5f, true, true).empty());
}

TEST(BlurPassTextTest, UsualPassesSplitWithTheirMargins) {
  const int margins[4] = {3, 9, 13, 18};  // ceil(widest tap + 0.5)
  for (int pass = 0; pass < 4; ++pass) {
    const std::vector<float> shifts = tapShifts(kPassSteps[pass][0], kPassSteps[pass][1], false, false);
    SCOPED_TRACE(pass);
    EXPECT_EQ(tapMargin(shifts), margins[pass]);
    EXPECT_TRUE(tapsHalfway(shifts, 512.0f));
    EXPECT_FALSE(tapsHalfway(shifts, 2.0f));  // the widest tap leaves a tiny target
    for (int sourceSize : {512, 1024}) EXPECT_FALSE(fetchedPassFragment(shifts, 512.0f, sourceSize).empty());
  }
  EXPECT_FALSE(tapsHalfway(tapShifts(1.0f, 2.0f, false, false), 512.0f));  // taps on texel centres
}

TEST(BlurPassTextTest, FetchesOnlyWhereTheSourceAllows) {
  const std::vector<float> shifts = tapShifts(1.0f, 2.5f, false, false);
  EXPECT_TRUE(fetchedPassFragment(shifts, 512.0f, 2048).empty());  // four times the target
  EXPECT_TRUE(fetchedPassFragment(shifts, 512.0f, 768).empty());   // not a power of two
  EXPECT_TRUE(fetchedPassFragment(tapShifts(1.0f, 2.25f, false, false), 512.0f, 512).empty());
  EXPECT_NE(passFragment(shifts, 512.0f, 1024, true).find("texelFetch"), std::string::npos);
  const std::string filtered = passFragment(shifts, 512.0f, 1024, false);
  EXPECT_EQ(filtered, filteredPassFragment(shifts, 512.0f));
  EXPECT_EQ(count(filtered, "texture2D(source"), 12u);
  EXPECT_EQ(passFragment(shifts, 512.0f, 2048, true), filtered);  // the fall-back
}

TEST(BlurPassTextTest, SplitProgramsWriteAndSumEachTap) {
  EXPECT_EQ(count(tapValueFragment(true, true, 2, 1024), "gl_FragData["), 2u);
  const std::string down = tapValueFragment(false, true, 1, 512);
  EXPECT_NE(down.find("gl_FragData[0] = rounded(textureLod(source, (base + vec2(0.5, 1.0)) / 512.0"),
            std::string::npos);
  EXPECT_NE(down.find("floor(gl_FragCoord.xy) * 1.0"), std::string::npos);
  const std::vector<float> shifts = tapShifts(7.0f, 17.5f, false, false);
  const std::string inner = tapSumFragment(shifts, 512.0f, false);
  const std::string border = tapSumFragment(shifts, 512.0f, true);
  EXPECT_EQ(count(inner, "sum += stored("), 12u);
  EXPECT_EQ(inner.find("inside("), std::string::npos);
  EXPECT_EQ(count(border, "sum += inside("), 12u);
  EXPECT_NE(border.find("& ivec2(511)"), std::string::npos);  // repeats at the edges
  EXPECT_NE(inner.find("stored(across, base + ivec2(17, 0))"), std::string::npos);  // 17.5 - 0.5
  EXPECT_NE(inner.find("stored(down, base + ivec2(0, 17))"), std::string::npos);
}
}  // namespace
