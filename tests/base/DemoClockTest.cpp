#include "DemoClock.h"

#include <gtest/gtest.h>

namespace {

int64_t gTicks = 0;
int64_t fakeCounter() { return gTicks; }

TEST(DemoClock, MeasuresFromStartPlusOffset) {
  const struct {
    int64_t startTicks;
    int32_t offset;
    int64_t laterTicks;
    int64_t expected;
  } cases[] = {
      {1000, 5000, 1000, 5000},             // right after start: the start time
      {1000, 5000, 1000 + 250, 5250},       // 250 ms later
      {0, -3000, 1000, -2000},              // negative start times stay negative until zero
      {0, -3000, 4000, 1000},
      {123456789, 0, 123456789 + 9999, 9999},
  };
  for (const auto& c : cases) {
    DemoClock clock(fakeCounter, 1000);
    clock.setOffset(c.offset);
    gTicks = c.startTicks;
    clock.start();
    gTicks = c.laterTicks;
    EXPECT_EQ(clock.now(), c.expected) << c.startTicks << " " << c.offset;
  }
}

TEST(DemoClock, TruncatesTowardZeroWithHighFrequencies) {
  DemoClock clock(fakeCounter, 3000000);  // 3 MHz
  gTicks = 0;
  clock.start();
  gTicks = 2999;  // 0.9997 ms
  EXPECT_EQ(clock.now(), 0);
  gTicks = 3000;
  EXPECT_EQ(clock.now(), 1);
  gTicks = 3000000LL * 86400;  // a day: no overflow in the 64-bit product
  EXPECT_EQ(clock.now(), 86400000);
}

TEST(DemoClock, ReadingBeforeStartMeasuresFromCounterOrigin) {
  DemoClock clock(fakeCounter, 1000);
  gTicks = 42000;
  EXPECT_EQ(clock.now(), 42000);
}

}  // namespace
