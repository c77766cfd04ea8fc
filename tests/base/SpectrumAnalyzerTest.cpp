#include "SpectrumAnalyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {
constexpr double kTwoPi = 6.283185307179586;

// Feeds one analysis window of a stereo sine (amplitude on the 16-bit scale) in the format.
void feedSine(SpectrumAnalyzer& analyzer, double hz, double amplitude, SampleFormat format) {
  const int32_t frames = SpectrumAnalyzer::kWindow;
  std::vector<int16_t> s16(2 * frames);
  std::vector<int32_t> s32(2 * frames);
  std::vector<float> f32(2 * frames);
  for (int32_t i = 0; i < frames; ++i) {
    const double v = amplitude * std::sin(kTwoPi * hz * i / 44100.0);
    for (int c = 0; c < 2; ++c) {
      s16[2 * i + c] = static_cast<int16_t>(std::lrint(std::max(-32768.0, std::min(32767.0, v))));
      s32[2 * i + c] = static_cast<int32_t>(std::lrint(v));
      f32[2 * i + c] = static_cast<float>(v);
    }
  }
  // Two halves, as two blocks.
  const int32_t half = frames / 2;
  for (int32_t part = 0; part < 2; ++part) {
    const size_t at = static_cast<size_t>(2 * half * part);
    switch (format) {
      case SampleFormat::S16:
        analyzer.feed(s16.data() + at, half, format);
        break;
      case SampleFormat::S32:
        analyzer.feed(s32.data() + at, half, format);
        break;
      case SampleFormat::Float32:
        analyzer.feed(f32.data() + at, half, format);
        break;
    }
  }
}

int32_t peakBand(const float* bands) {
  int32_t peak = 0;
  for (int32_t k = 1; k < SpectrumAnalyzer::kBands; ++k)
    if (bands[k] > bands[peak]) peak = k;
  return peak;
}

struct SineCase {
  double hz;
  int32_t band;
  float low;   // smallest accepted peak value
  float high;  // largest accepted peak value
};

class SpectrumSineTest : public ::testing::TestWithParam<SineCase> {};

TEST_P(SpectrumSineTest, FullScaleSinePeaksNearOneInItsBand) {
  const SineCase c = GetParam();
  for (SampleFormat format : {SampleFormat::S16, SampleFormat::S32, SampleFormat::Float32}) {
    SpectrumAnalyzer analyzer;
    feedSine(analyzer, c.hz, 32767.0, format);
    const float* bands = analyzer.compute();
    EXPECT_EQ(peakBand(bands), c.band) << c.hz << " Hz";
    EXPECT_GE(bands[c.band], c.low) << c.hz << " Hz";
    EXPECT_LE(bands[c.band], c.high) << c.hz << " Hz";
  }
}

// Band k is centred on k x 44100 / 1024 Hz.
INSTANTIATE_TEST_SUITE_P(Bands, SpectrumSineTest,
                         ::testing::Values(SineCase{1000.0, 23, 0.8f, 1.0f},                 // between bands
                                           SineCase{23 * 44100.0 / 1024, 23, 0.98f, 1.0f},  // band centre
                                           SineCase{5 * 44100.0 / 1024, 5, 0.98f, 1.0f},
                                           SineCase{400 * 44100.0 / 1024, 400, 0.98f, 1.0f},
                                           SineCase{511 * 44100.0 / 1024, 511, 0.98f, 1.0f}),
                         [](const ::testing::TestParamInfo<SineCase>& info) {
                           return "Hz" + std::to_string(static_cast<int>(info.param.hz)) + "Band" +
                                  std::to_string(info.param.band);
                         });

TEST(SpectrumAnalyzerTest, SilenceSumsToZeroAndAHalfScaleSineGivesHalf) {
  SpectrumAnalyzer analyzer;
  const float* bands = analyzer.compute();
  float sum = 0.0f;
  for (int32_t k = 0; k < SpectrumAnalyzer::kBands; ++k) sum += bands[k];
  EXPECT_EQ(sum, 0.0f);

  feedSine(analyzer, 100 * 44100.0 / 1024, 16384.0, SampleFormat::S16);
  EXPECT_NEAR(analyzer.compute()[100], 0.5f, 0.01f);

  analyzer.clear();
  bands = analyzer.compute();
  sum = 0.0f;
  for (int32_t k = 0; k < SpectrumAnalyzer::kBands; ++k) sum += bands[k];
  EXPECT_EQ(sum, 0.0f);
}

TEST(SpectrumAnalyzerTest, OverdrivenInputIsClampedToOne) {
  SpectrumAnalyzer analyzer;
  feedSine(analyzer, 50 * 44100.0 / 1024, 4.0 * 32768.0, SampleFormat::Float32);
  EXPECT_EQ(analyzer.compute()[50], 1.0f);
}

TEST(SpectrumAnalyzerTest, UsesTheNewestWindow) {
  SpectrumAnalyzer analyzer;
  feedSine(analyzer, 3000.0, 32767.0, SampleFormat::S16);
  feedSine(analyzer, 1000.0, 32767.0, SampleFormat::S16);
  EXPECT_EQ(peakBand(analyzer.compute()), 23);
}
}  // namespace
