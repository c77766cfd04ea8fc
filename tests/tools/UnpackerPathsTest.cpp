// The decoder's tight loop for LZ symbols against its general loop on streams the encoder makes:
// both must give back the input, whatever the match distances (near ones repeat with their
// period), lengths and window wraps.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PackInput.h"
#include "PackTestFiles.h"
#include "PackedDataSource.h"
#include "Rar20Encoder.h"
#include "Rar20Unpacker.h"

namespace {

// Runs of every period from 1 to 20 bytes, each long enough for several longest matches, with
// a random byte between them.
std::vector<uint8_t> periods() {
  std::vector<uint8_t> out;
  const std::vector<uint8_t> seed = packtest::randomBytes(64, 40);
  for (size_t period = 1; period <= 20; ++period) {
    for (size_t i = 0; i < 700 + period * 37; ++i) out.push_back(seed[i % period]);
    out.push_back(seed[period + 20]);
  }
  return out;
}

struct StreamCase {
  const char* name;
  std::function<std::vector<uint8_t>()> make;
  int level;
};

const StreamCase kStreams[] = {
    {"text", [] { return packtest::text(300000, 41); }, 4},
    {"runs", [] { return packtest::runs(400000); }, 4},
    {"periods", periods, 3},
    {"match_boundaries", packtest::matchBoundaries, 5},
    {"beyond_window", packtest::beyondWindow, 3},
};

std::vector<uint8_t> decode(const std::vector<uint8_t>& packed, size_t size, bool fastPath) {
  PackInput input;
  input.openMemory(packed.data(), packed.size());
  PackedDataSource source(&input, uint32_t(packed.size()), nullptr);
  auto unpacker = std::make_unique<Rar20Unpacker>();
  EXPECT_TRUE(unpacker->allocate());
  unpacker->setFastPath(fastPath);
  std::vector<uint8_t> out(size);
  out.resize(unpacker->unpack(&source, uint32_t(size), false, out.data()));
  return out;
}

class UnpackerPaths : public ::testing::TestWithParam<StreamCase> {};

TEST_P(UnpackerPaths, BothLoopsGiveBackTheInput) {
  const StreamCase& c = GetParam();
  const std::vector<uint8_t> input = c.make();
  Rar20Encoder encoder(Rar20Encoder::Settings::forLevel(c.level));
  const std::vector<uint8_t> packed = encoder.encode(input.data(), input.size(), false, 0, false);
  ASSERT_LT(packed.size(), input.size()) << c.name;
  EXPECT_TRUE(decode(packed, input.size(), true) == input) << c.name;
  EXPECT_TRUE(decode(packed, input.size(), false) == input) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Streams, UnpackerPaths, ::testing::ValuesIn(kStreams),
                         [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

}  // namespace
