#include "FakeSoundLibrary.h"

bool FakeSoundLibrary::init(int32_t rate, int32_t count) {
  calls.push_back("init " + std::to_string(rate) + " " + std::to_string(count));
  return initResult;
}

void FakeSoundLibrary::close() { calls.push_back("close"); }

int32_t FakeSoundLibrary::openStream(const char* path) {
  calls.push_back(std::string("open ") + path);
  return streamResult;
}

void FakeSoundLibrary::closeStream(int32_t stream) { calls.push_back("closeStream " + std::to_string(stream)); }

bool FakeSoundLibrary::setStreamTime(int32_t stream, int32_t ms) {
  calls.push_back("seek " + std::to_string(stream) + " " + std::to_string(ms));
  return true;
}

int32_t FakeSoundLibrary::playStream(int32_t stream, bool paused) {
  calls.push_back("play " + std::to_string(stream) + (paused ? " paused" : " running"));
  return channels[nextChannel++ % channels.size()];
}

bool FakeSoundLibrary::setPaused(int32_t channel, bool paused) {
  calls.push_back("pause " + std::to_string(channel) + (paused ? " on" : " off"));
  return true;
}

const float* FakeSoundLibrary::getSpectrum() {
  calls.push_back("spectrum");
  return spectrumAvailable ? spectrum.data() : nullptr;
}

void FakeSoundLibrary::setDspActive(DspUnit* unit, bool active) {
  calls.push_back(std::string(unit == &_fftUnit ? "fft" : "unit") + (active ? " on" : " off"));
}
