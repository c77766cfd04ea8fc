#include "AudioPredictor.h"

#include <cstdlib>

void AudioPredictor::reset() {
  *this = AudioPredictor();
}

uint8_t AudioPredictor::predict(int channel) const {
  const Channel& c = _channels[channel];
  // The decoder shifts D1..D4 before predicting: D2 becomes lastDelta - D1 and D1 lastDelta.
  int d1 = c.lastDelta;
  int d2 = c.lastDelta - c.d[0];
  int d3 = c.d[1];
  int d4 = c.d[2];
  int sum = 8 * static_cast<int>(c.lastByte) + c.k[0] * d1 + c.k[1] * d2 + c.k[2] * d3 + c.k[3] * d4 +
            c.k[4] * _channelDelta;
  return static_cast<uint8_t>((sum >> 3) & 0xff);
}

uint8_t AudioPredictor::decode(int channel, uint8_t delta) {
  uint8_t predicted = predict(channel);
  Channel& c = _channels[channel];
  ++c.byteCount;
  c.d[3] = c.d[2];
  c.d[2] = c.d[1];
  c.d[1] = c.lastDelta - c.d[0];
  c.d[0] = c.lastDelta;
  uint8_t out = static_cast<uint8_t>(predicted - delta);
  int d = static_cast<int8_t>(delta) * 8;
  c.error[0] += static_cast<uint32_t>(std::abs(d));
  for (int i = 0; i < 4; ++i) {
    c.error[1 + 2 * i] += static_cast<uint32_t>(std::abs(d - c.d[i]));
    c.error[2 + 2 * i] += static_cast<uint32_t>(std::abs(d + c.d[i]));
  }
  c.error[9] += static_cast<uint32_t>(std::abs(d - _channelDelta));
  c.error[10] += static_cast<uint32_t>(std::abs(d + _channelDelta));
  c.lastDelta = static_cast<int8_t>(static_cast<uint8_t>(out - c.lastByte));
  _channelDelta = c.lastDelta;
  c.lastByte = out;
  if ((c.byteCount & 0x1f) == 0) {
    // The smallest sum (first on ties) says which weight to move: odd sums lower it, even raise it.
    int best = 0;
    for (int i = 1; i < 11; ++i) {
      if (c.error[i] < c.error[best]) {
        best = i;
      }
    }
    for (uint32_t& e : c.error) {
      e = 0;
    }
    if (best > 0) {
      int& k = c.k[(best - 1) / 2];
      if (best % 2 == 1) {
        if (k >= -16) {
          --k;
        }
      } else if (k < 16) {
        ++k;
      }
    }
  }
  return out;
}
