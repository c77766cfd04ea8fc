// Rar20Encoder at every level: streams that decode to the input, and sizes that show the search
// bounds and the stretches without search do not cost ratio where it matters.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "PackTestFiles.h"
#include "Rar20Encoder.h"

namespace {

// Bytes holding 3 random bits each: the best coding is literals at 3 bits; matches hardly pay.
std::vector<uint8_t> threeBitBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> out = packtest::randomBytes(size, seed);
  for (uint8_t& b : out) {
    b &= 7;
  }
  return out;
}

// Random bytes, then text that repeats only itself: the search must start again after the
// random stretch.
std::vector<uint8_t> randomThenText() {
  std::vector<uint8_t> out = packtest::randomBytes(300000, 4);
  std::vector<uint8_t> t = packtest::text(200000, 9);
  out.insert(out.end(), t.begin(), t.end());
  return out;
}

// Text, a random stretch, and the text again: the copy lies before the stretch.
std::vector<uint8_t> textRandomText() {
  std::vector<uint8_t> t = packtest::text(100000, 3);
  std::vector<uint8_t> out = t;
  std::vector<uint8_t> r = packtest::randomBytes(150000, 5);
  out.insert(out.end(), r.begin(), r.end());
  out.insert(out.end(), t.begin(), t.end());
  return out;
}

struct InputCase {
  const char* name;
  std::function<std::vector<uint8_t>()> make;
  double maxRatio;  // packed / input from sizeLevel on; above 1: stored
  bool solid;
  int sizeLevel;  // lower levels search too near for the copies of the case
};

const InputCase kInputs[] = {
    {"text", [] { return packtest::text(150000, 1); }, 0.33, false, 1},
    {"three-bit", [] { return threeBitBytes(200000, 2); }, 3.3 / 8, false, 1},
    {"random", [] { return packtest::randomBytes(100000, 6); }, 1.001, false, 1},
    {"random-solid", [] { return packtest::randomBytes(100000, 6); }, 1.01, true, 1},
    {"random-then-text", randomThenText, (300000 * 1.01 + 200000 / 3.0) / 500000, false, 1},
    {"text-random-text", textRandomText, (100000 / 3.0 + 150000 * 1.01 + 2000) / 350000, true, 4},
};

class EncoderLevels : public ::testing::TestWithParam<InputCase> {};

TEST_P(EncoderLevels, EveryLevelRoundTripsWithinItsSize) {
  const InputCase& c = GetParam();
  const std::vector<uint8_t> input = c.make();
  for (int level = Rar20Encoder::kMinLevel; level <= Rar20Encoder::kMaxLevel; ++level) {
    packtest::ScratchDir dir;
    PackWriter::Options options;
    options.password = level % 2 ? "falco31" : "";
    options.solid = c.solid;
    options.encoder = Rar20Encoder::Settings::forLevel(level);
    const std::string pack = dir / "p.vdd";
    std::vector<PackWriter::EntryResult> results;
    // In a solid pack a small entry first, so the case's entry continues a stream.
    std::vector<packtest::Entry> entries;
    if (c.solid) {
      entries.push_back({"first.txt", packtest::text(3000, 8)});
    }
    entries.push_back({"case.bin", input});
    ASSERT_TRUE(packtest::writePack(pack, options, entries, &results)) << c.name << " -m" << level;
    std::vector<uint8_t> out;
    ASSERT_TRUE(packtest::extractEntry(pack, options.password, "case.bin", out)) << c.name << " -m" << level;
    EXPECT_TRUE(out == input) << c.name << " -m" << level;
    const double ratio = double(results.back().packedSize) / double(input.size());
    if (level >= c.sizeLevel) {
      EXPECT_LE(ratio, c.maxRatio) << c.name << " -m" << level;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, EncoderLevels, ::testing::ValuesIn(kInputs),
                         [](const ::testing::TestParamInfo<InputCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) {
                             if (ch == '-') ch = '_';
                           }
                           return name;
                         });

TEST(Rar20Encoder, HigherLevelsAreNotLargerOnMixedData) {
  std::vector<uint8_t> input = textRandomText();
  std::vector<uint8_t> more = threeBitBytes(50000, 7);
  input.insert(input.end(), more.begin(), more.end());
  size_t previous = ~size_t(0);
  for (int level = Rar20Encoder::kMinLevel; level <= Rar20Encoder::kMaxLevel; ++level) {
    Rar20Encoder encoder(Rar20Encoder::Settings::forLevel(level));
    const size_t size = encoder.encode(input.data(), input.size(), false, 0, false).size();
    EXPECT_LE(size, previous) << "-m" << level;
    previous = size;
  }
}

}  // namespace
