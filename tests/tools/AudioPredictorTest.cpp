// AudioPredictor: the encoder's deltas must make the decoder's step reproduce every byte, and
// the prediction must actually track smooth signals (small deltas are what audio mode gains).
#include "AudioPredictor.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "PackTestFiles.h"
#include "Rar20Encoder.h"

namespace {

TEST(AudioPredictor, DecoderStepReproducesEveryByteOnAnyChannelCount) {
  for (int channels = 1; channels <= AudioPredictor::kMaxChannels; ++channels) {
    std::vector<uint8_t> bytes = packtest::randomBytes(5000, static_cast<uint32_t>(channels));
    AudioPredictor encoder;
    AudioPredictor decoder;
    for (size_t i = 0; i < bytes.size(); ++i) {
      int channel = static_cast<int>(i % static_cast<size_t>(channels));
      uint8_t delta = encoder.deltaFor(channel, bytes[i]);
      encoder.decode(channel, delta);
      ASSERT_EQ(decoder.decode(channel, delta), bytes[i]) << "byte " << i << ", " << channels << " channels";
    }
  }
}

TEST(AudioPredictor, LearnsASmoothSignal) {
  std::vector<uint8_t> samples = packtest::stereoSamples(20000, 8, 1);
  AudioPredictor p;
  long sumEarly = 0;
  long sumLate = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    int channel = static_cast<int>(i % 2);
    uint8_t delta = p.deltaFor(channel, samples[i]);
    p.decode(channel, delta);
    long size = std::labs(static_cast<int8_t>(delta));
    (i < 2000 ? sumEarly : sumLate) += size;
  }
  double early = static_cast<double>(sumEarly) / 2000.0;
  double late = static_cast<double>(sumLate) / static_cast<double>(samples.size() - 2000);
  EXPECT_LT(late, 3.0);  // the noise is +-2 on one channel
  EXPECT_LT(late, early);
}

struct ChannelCase {
  const char* name;
  std::vector<uint8_t> data;
  int expected;
};

TEST(Rar20EncoderChannels, ChoosesTheInterleaveOfTheSamples) {
  const ChannelCase cases[] = {
      {"stereo 8-bit", packtest::stereoSamples(20000, 8, 1), 2},
      {"stereo 16-bit", packtest::stereoSamples(20000, 16, 2), 4},
  };
  for (const ChannelCase& c : cases) {
    EXPECT_EQ(Rar20Encoder::chooseAudioChannels(c.data.data(), c.data.size()), c.expected) << c.name;
  }
  // One smooth 8-bit channel.
  std::vector<uint8_t> mono;
  for (int i = 0; i < 20000; ++i) {
    mono.push_back(static_cast<uint8_t>(128 + (i / 7) % 60));
  }
  EXPECT_EQ(Rar20Encoder::chooseAudioChannels(mono.data(), mono.size()), 1);
}

}  // namespace
