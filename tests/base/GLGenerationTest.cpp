// The window-context generation that caches of GL names compare before use.
#include <gtest/gtest.h>

#include "GLGeneration.h"

namespace {

TEST(GLGenerationTest, EachHolderSeesEachNewContextOnce) {
  GLGeneration cache, other;
  GLGeneration::advance();
  const uint32_t now = GLGeneration::current();
  EXPECT_GT(now, 0u);
  EXPECT_TRUE(cache.changed());  // names made before this context are stale
  EXPECT_FALSE(cache.changed());
  EXPECT_FALSE(cache.changed());
  EXPECT_TRUE(other.changed());  // holders are independent
  // Two contexts made before the next use: one rebuild is enough.
  GLGeneration::advance();
  GLGeneration::advance();
  EXPECT_EQ(GLGeneration::current(), now + 2);
  EXPECT_TRUE(cache.changed());
  EXPECT_FALSE(cache.changed());
  EXPECT_TRUE(other.changed());
  EXPECT_FALSE(other.changed());
}

}  // namespace
