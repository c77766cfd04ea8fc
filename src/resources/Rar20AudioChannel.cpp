#include "Rar20AudioChannel.h"

#include <cstdlib>

void Rar20AudioChannel::reset() {
  for (int& k : _k) k = 0;
  for (int& d : _d) d = 0;
  for (uint32_t& e : _errors) e = 0;
  _lastDelta = 0;
  _byteCount = 0;
  _lastByte = 0;
}

uint8_t Rar20AudioChannel::decode(int delta, int* channelDelta) {
  _d[3] = _d[2];
  _d[2] = _d[1];
  _d[1] = _lastDelta - _d[0];
  _d[0] = _lastDelta;

  int predicted = 8 * _lastByte + _k[0] * _d[0] + _k[1] * _d[1] + _k[2] * _d[2] + _k[3] * _d[3] + _k[4] * *channelDelta;
  // Arithmetic shift of a possibly negative sum, then the low 8 bits.
  predicted = (predicted >> 3) & 0xFF;
  int output = (predicted - delta) & 0xFF;

  int d = int(int8_t(uint8_t(delta))) * 8;
  const int candidates[5] = {_d[0], _d[1], _d[2], _d[3], *channelDelta};
  _errors[0] += uint32_t(std::abs(d));
  for (int i = 0; i < 5; ++i) {
    _errors[1 + 2 * i] += uint32_t(std::abs(d - candidates[i]));
    _errors[2 + 2 * i] += uint32_t(std::abs(d + candidates[i]));
  }

  _lastDelta = int(int8_t(uint8_t(output - _lastByte)));
  *channelDelta = _lastDelta;
  _lastByte = output;

  // Adapts after the 32nd, 64th, ... byte of the channel.
  if ((++_byteCount & 0x1F) == 0) {
    int best = 0;
    for (int i = 1; i < 11; ++i) {
      if (_errors[i] < _errors[best]) best = i;
    }
    for (uint32_t& e : _errors) e = 0;
    if (best > 0) {
      int& k = _k[(best - 1) / 2];
      if (best & 1) {
        if (k >= -16) --k;
      } else {
        if (k < 16) ++k;
      }
    }
  }
  return uint8_t(output);
}
