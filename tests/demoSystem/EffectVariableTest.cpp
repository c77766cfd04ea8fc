#include "BoolVariable.h"
#include "FloatVariable.h"
#include "IntVariable.h"
#include "StringVariable.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {
constexpr uint32_t kEnd = 60000;

class EffectVariableTest : public ::testing::Test {
 protected:
  void SetUp() override { EffectVariable::setEndKeyTime(kEnd); }
};

template <typename V>
std::vector<uint32_t> keyTimes(const V& v) {
  std::vector<uint32_t> times;
  for (const auto& k : v.getKeys()) times.push_back(k.time);
  return times;
}

struct FloatSample {
  const char* what;
  std::vector<std::pair<uint32_t, float>> writes;  // setKey (value, time) in this order
  float current;                                   // current value before sampling
  uint32_t time;
  float expected;
};
}  // namespace

TEST_F(EffectVariableTest, FloatSamplingTable) {
  const FloatSample cases[] = {
      {"midway", {{0, 0.0f}, {1000, 1.0f}}, 0.0f, 500, 0.5f},
      {"on a key", {{0, 0.0f}, {1000, 1.0f}}, 0.0f, 1000, 1.0f},
      {"quarter", {{0, 0.0f}, {1000, 1.0f}}, 0.0f, 250, 0.25f},
      {"first key", {{0, 0.0f}, {1000, 1.0f}}, 0.0f, 0, 0.0f},
      {"closing key keeps the first value", {{0, 0.0f}, {1000, 1.0f}}, 0.0f, kEnd, 0.0f},
      {"closing key rewritten", {{0, 0.0f}, {1000, 1.0f}, {kEnd, 1.0f}}, 0.0f, kEnd, 1.0f},
      {"gliding back to the closing key", {{0, 0.0f}, {1000, 1.0f}}, 0.0f, 30500, 0.5f},
      {"after the end key: current value", {{0, 0.0f}, {1000, 1.0f}}, 0.25f, kEnd + 1, 0.25f},
      {"first write fills the show, early", {{3000, 1.0f}}, 0.0f, 0, 1.0f},
      {"first write fills the show, late", {{3000, 1.0f}}, 0.0f, kEnd, 1.0f},
      {"between inserted keys", {{0, 0.0f}, {2000, 4.0f}, {1000, 2.0f}}, 0.0f, 1500, 3.0f},
      {"replacing a key", {{0, 0.0f}, {1000, 1.0f}, {1000, 3.0f}}, 0.0f, 500, 1.5f},
      {"late key dropped", {{0, 0.0f}, {kEnd + 10, 9.0f}}, 0.0f, kEnd + 5, 0.0f},
      {"no clamping of keys", {{0, -2.0f}}, 0.0f, 100, -2.0f},
      {"no keys: current value", {}, 0.75f, 100, 0.75f},
  };
  for (const FloatSample& c : cases) {
    FloatVariable v;
    for (const auto& w : c.writes) v.setKey(w.second, w.first);
    v.setCurrentValue(c.current);
    EXPECT_FLOAT_EQ(v.valueAt(c.time), c.expected) << c.what;
  }
}

TEST_F(EffectVariableTest, FloatKeyListShape) {
  FloatVariable v;
  v.setKey(1.0f, 3000);
  EXPECT_EQ(keyTimes(v), (std::vector<uint32_t>{0, 3000, kEnd}));
  v.setKey(2.0f, 3000);  // replaces, adds nothing
  EXPECT_EQ(keyTimes(v), (std::vector<uint32_t>{0, 3000, kEnd}));
  EXPECT_FLOAT_EQ(v.getKeys()[1].value, 2.0f);
  v.setKey(5.0f, kEnd + 1);  // after every key: dropped
  EXPECT_EQ(v.getKeys().size(), 3u);

  FloatVariable atZero;
  atZero.setKey(1.0f, 0);  // time 0: no middle key
  EXPECT_EQ(keyTimes(atZero), (std::vector<uint32_t>{0, kEnd}));
  FloatVariable atEnd;
  atEnd.setKey(1.0f, kEnd);  // the end key time: no middle key either
  EXPECT_EQ(keyTimes(atEnd), (std::vector<uint32_t>{0, kEnd}));
}

TEST_F(EffectVariableTest, FloatOtherInterpolationIgnoresKeys) {
  FloatVariable v;
  v.setKey(0.0f, 0);
  v.setKey(1.0f, 1000);
  v.setCurrentValue(0.3f);
  v.setInterpolation(1);
  EXPECT_FLOAT_EQ(v.valueAt(500), 0.3f);
}

TEST_F(EffectVariableTest, FloatChangedFollowsEverySample) {
  FloatVariable v;
  v.setKey(0.0f, 0);
  v.setKey(1.0f, 1000);
  v.clearChanged();
  v.valueAt(0);  // 0 equals the initial lastValue
  EXPECT_FALSE(v.isChanged());
  v.valueAt(500);
  EXPECT_TRUE(v.isChanged());
  EXPECT_FLOAT_EQ(v.getLastValue(), 0.5f);
}

struct BoolSample {
  uint32_t time;
  bool expected;
};

TEST_F(EffectVariableTest, BoolSpanBoundaries) {
  BoolVariable v;
  v.setKey(0.0f, 0);
  v.setKey(1.0f, 2000);
  v.setKey(0.0f, 5000);
  EXPECT_EQ(keyTimes(v), (std::vector<uint32_t>{0, 2000, 5000, kEnd}));
  const BoolSample cases[] = {{0, false},    {1999, false}, {2000, true},     {4999, true},
                              {5000, false}, {kEnd, false}, {kEnd + 1, false}};
  for (const BoolSample& c : cases) EXPECT_EQ(v.valueAt(c.time), c.expected) << c.time;
  v.valueAt(2500);
  EXPECT_EQ(v.getKeyTime(), 2000u);
}

TEST_F(EffectVariableTest, StepValueAfterLastKeyIsCurrentValueAndRaisesChanged) {
  BoolVariable v;
  v.setKey(1.0f, 0);  // (0, true), (end, true)
  v.clearChanged();
  EXPECT_TRUE(v.valueAt(kEnd - 1));
  EXPECT_FALSE(v.isChanged());
  EXPECT_FALSE(v.valueAt(kEnd));  // at the last key: the current value, false
  EXPECT_FALSE(v.isChanged());    // same as lastValue
  v.setCurrentValue(true);
  EXPECT_TRUE(v.valueAt(kEnd));
  EXPECT_TRUE(v.isChanged());
  EXPECT_TRUE(v.getLastValue());
}

struct IntConversion {
  float x;
  uint32_t key;
};

TEST_F(EffectVariableTest, IntKeysTruncateTowardZeroWithoutClamping) {
  const IntConversion cases[] = {{2.9f, 2}, {0.5f, 0}, {7.0f, 7}, {-1.0f, 4294967295u}, {-0.9f, 0}};
  for (const IntConversion& c : cases) {
    IntVariable v;
    v.setCount(3);
    v.setKey(c.x, 100);
    EXPECT_EQ(v.valueAt(100), c.key) << c.x;
  }
  IntVariable v;
  v.setKey(1.0f / 0.0f, 100);  // an infinite number gives 0, not undefined behaviour
  EXPECT_EQ(v.valueAt(100), 0u);
}

TEST_F(EffectVariableTest, SetValueClampsAndUpdatesTheKeyAtThatTime) {
  FloatVariable f;
  f.setKey(0.5f, 1000);
  f.setValue(1.5f, 1000);
  EXPECT_FLOAT_EQ(f.getCurrentValue(), 1.0f);
  EXPECT_FLOAT_EQ(f.getKeys()[1].value, 1.0f);
  f.setValue(-3.0f, 7);  // no key at 7
  EXPECT_FLOAT_EQ(f.getCurrentValue(), 0.0f);
  EXPECT_EQ(f.getKeys().size(), 3u);

  IntVariable i;
  i.setCount(3);
  i.setValue(5.0f, 0);
  EXPECT_EQ(i.getCurrentValue(), 2u);
  i.setValue(-1.0f, 0);
  EXPECT_EQ(i.getCurrentValue(), 0u);
  i.setValue(1.7f, 0);
  EXPECT_EQ(i.getCurrentValue(), 1u);
  i.setCount(0);
  i.setValue(4.0f, 0);
  EXPECT_EQ(i.getCurrentValue(), 0u);

  BoolVariable b;
  b.setValue(0.1f, 0);
  EXPECT_TRUE(b.getCurrentValue());
  b.setValue(0.0f, 0);
  EXPECT_FALSE(b.getCurrentValue());
}

TEST_F(EffectVariableTest, NumberViewsDivideIntsByCountMinusOne) {
  IntVariable i;
  i.setKey(4.0f, 0);
  const struct {
    uint32_t count;
    float keyView;
    float normalized;
  } cases[] = {{5, 1.0f, 1.0f}, {1, 4.0f, 0.0f}, {0, 4.0f, 0.0f}};  // divisor 1 for counts 0 and 1
  for (const auto& c : cases) {
    i.setCount(c.count);
    i.setCurrentValue(4);
    EffectVariable::NumberKeys keys;
    i.copyKeysTo(keys);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_FLOAT_EQ(keys[0].value, c.keyView) << c.count;
    EXPECT_FLOAT_EQ(i.normalizedValue(), c.normalized) << c.count;
  }
  BoolVariable b;
  b.replaceKeys({{0, 0.0f}, {100, 0.5f}, {200, -1.0f}});
  EXPECT_EQ(b.sample(150), 1.0f);
  EXPECT_EQ(b.sample(250), 0.0f);
}

TEST_F(EffectVariableTest, StringKeysAndReplacement) {
  StringVariable s;
  s.setCurrentValue("1000");
  s.setStringKey("1100", 2000);
  EXPECT_EQ(s.stringAt(0), "1100");  // the first key fills the show
  s.setStringKey("1010", 3000);
  EXPECT_EQ(s.valueAt(2999), "1100");
  EXPECT_EQ(s.valueAt(3000), "1010");
  EXPECT_EQ(s.valueAt(kEnd), "1000");  // at the last key: the current value
  s.setString("x", 3000);
  EXPECT_EQ(s.valueAt(3000), "x");
  EXPECT_EQ(s.getCurrentValue(), "x");

  EffectVariable::StringKeys keys;
  s.copyStringKeysTo(keys);
  ASSERT_EQ(keys.size(), 4u);
  s.clearChanged();
  s.replaceStringKeys({{0, "a"}, {10, "b"}});
  EXPECT_TRUE(s.isChanged());
  EXPECT_EQ(s.valueAt(5), "a");
}

struct SimplifyCase {
  const char* what;
  std::vector<std::pair<uint32_t, float>> writes;
  size_t keysAfter;
  float valueAfter;
};

TEST_F(EffectVariableTest, SimplifyOnlyTwoEqualKeys) {
  const SimplifyCase cases[] = {
      {"written once at 0: constant", {{0, 0.7f}}, 0, 0.7f},
      {"written once later: three equal keys stay", {{500, 0.7f}}, 3, 0.0f},
      {"two different keys stay", {{0, 0.7f}, {kEnd, 0.2f}}, 2, 0.0f},
      {"no keys", {}, 0, 0.0f},
  };
  for (const SimplifyCase& c : cases) {
    FloatVariable v;
    for (const auto& w : c.writes) v.setKey(w.second, w.first);
    v.simplify();
    EXPECT_EQ(v.getKeys().size(), c.keysAfter) << c.what;
    EXPECT_FLOAT_EQ(v.getCurrentValue(), c.valueAfter) << c.what;
  }
  StringVariable s;
  s.setStringKey("ab", 0);
  s.simplify();
  EXPECT_TRUE(s.getKeys().empty());
  EXPECT_EQ(s.getCurrentValue(), "ab");
}

TEST(EffectVariableEndKey, FirstWriteWithEndKeyZero) {
  // Before any DEMO_END: the keys (0, v) and (0, v); a later time is never reached.
  EffectVariable::setEndKeyTime(0);
  BoolVariable active;
  active.setKey(0.0f, 0);
  EXPECT_EQ(active.getKeys().size(), 2u);
  active.setKey(1.0f, 1000);  // after every key: dropped
  EXPECT_EQ(active.getKeys().size(), 2u);
  for (uint32_t t : {0u, 500u, 1000u}) EXPECT_FALSE(active.valueAt(t)) << t;
  EffectVariable::setEndKeyTime(kEnd);
}
