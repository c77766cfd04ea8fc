#pragma once
// The sample predictor of the RAR 2.0 audio (multimedia) mode, mirrored exactly as the decoder
// runs it: per channel five adaptive weights over the last four deltas and the delta of the
// previous byte of any channel. The encoder sends, per byte, the difference between the
// prediction and the real byte; both sides then update the same state.
#include <cstdint>

class AudioPredictor {
 public:
  static constexpr int kMaxChannels = 4;

  // All channels and the shared delta back to zero (the decoder's state at a non-solid entry).
  void reset();
  // Prediction for the next byte of channel (0 to kMaxChannels - 1).
  uint8_t predict(int channel) const;
  // The value the encoder sends so that the decoder outputs byte on channel: prediction - byte.
  uint8_t deltaFor(int channel, uint8_t byte) const { return static_cast<uint8_t>(predict(channel) - byte); }
  // Runs the decoder's step for one received delta on channel and returns the output byte.
  uint8_t decode(int channel, uint8_t delta);

 private:
  struct Channel {
    int k[5];            // weights K1..K5, kept within -17..16
    int d[4];            // deltas D1..D4
    int lastDelta;       // signed byte
    uint32_t error[11];  // error sums since the last adaptation
    uint32_t byteCount;  // bytes of this channel so far
    uint32_t lastByte;   // 0 to 255
  };
  Channel _channels[kMaxChannels] = {};
  int _channelDelta = 0;  // last delta of any channel, signed byte
};
