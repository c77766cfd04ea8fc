// LzMatcher: finds the longest earlier copy within the window, nearest first.
#include "LzMatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackTestFiles.h"

namespace {

auto anyMatch = [](uint32_t, uint32_t) { return true; };

TEST(LzMatcher, FindsTheLongestAndNearestCopy) {
  std::string s = "xyzabcdef--abcdeQ--abcdef--abcdefgh";
  const uint8_t* d = reinterpret_cast<const uint8_t*>(s.data());
  LzMatcher m;
  size_t pos = s.find("abcdefgh");
  m.indexUpTo(d, s.size(), pos);
  LzMatcher::Match best = m.findLongest(d, pos, 200, anyMatch);
  EXPECT_EQ(best.length, 6u);        // "abcdef" (then '-' differs from 'g')
  EXPECT_EQ(best.distance, 8u);      // the nearest of the two "abcdef" copies
  // Capped by maxLength.
  EXPECT_EQ(m.findLongest(d, pos, 4, anyMatch).length, 4u);
}

TEST(LzMatcher, OverlappingCopyOfARun) {
  std::vector<uint8_t> d(1000, 'a');
  LzMatcher m;
  m.indexUpTo(d.data(), d.size(), 1);
  LzMatcher::Match best = m.findLongest(d.data(), 1, 258, anyMatch);
  EXPECT_EQ(best.distance, 1u);
  EXPECT_EQ(best.length, 258u);
}

TEST(LzMatcher, SkipsMatchesTheCallerCannotCode) {
  // A 3-byte copy far away and a 3-byte copy near; rejecting distances above 100 leaves the near one.
  std::vector<uint8_t> d = packtest::randomBytes(400, 3);
  d[10] = 'Q';
  d[11] = 'R';
  d[12] = 'S';
  d[300] = 'Q';
  d[301] = 'R';
  d[302] = 'S';
  d[303] = 'T';
  d[304] = 'U';
  d[350] = 'Q';
  d[351] = 'R';
  d[352] = 'S';
  d[353] = 'T';
  d[354] = 'U';
  LzMatcher m;
  m.indexUpTo(d.data(), d.size(), 350);
  LzMatcher::Match best = m.findLongest(d.data(), 350, 100, [](uint32_t length, uint32_t distance) {
    return distance <= 100 || length >= 6;
  });
  EXPECT_EQ(best.distance, 50u);
  EXPECT_GE(best.length, 5u);
  EXPECT_EQ(m.findLongest(d.data(), 350, 100, [](uint32_t, uint32_t) { return false; }).length, 0u);
}

TEST(LzMatcher, NeverReachesBeyondTheWindow) {
  std::vector<uint8_t> d = packtest::randomBytes(LzMatcher::kWindowSize + 64, 4);
  std::copy(d.begin(), d.begin() + 32, d.begin() + LzMatcher::kWindowSize);  // copy at exactly 1 MiB back
  LzMatcher m;
  m.indexUpTo(d.data(), d.size(), LzMatcher::kWindowSize);
  LzMatcher::Match best = m.findLongest(d.data(), LzMatcher::kWindowSize, 32, anyMatch);
  EXPECT_TRUE(best.length == 0 || best.distance <= LzMatcher::kMaxDistance);
  EXPECT_LT(best.length, 32u);
}

TEST(LzMatcher, FindsPairsWithinTheShortRange) {
  std::string s = "ab" + std::string(200, '.') + "ab" + std::string(300, '-') + "ab";
  const uint8_t* d = reinterpret_cast<const uint8_t*>(s.data());
  LzMatcher m;
  m.indexUpTo(d, s.size(), 202);
  EXPECT_EQ(m.findPair(d, 202, 256), 202u);
  m.indexUpTo(d, s.size(), s.size() - 2);
  EXPECT_EQ(m.findPair(d, s.size() - 2, 256), 0u);  // 302 back: too far
  EXPECT_EQ(m.findPair(d, s.size() - 2, 400), 302u);
}

}  // namespace
