#pragma once
// A sound library that records every call as text ("init 44100 8", "open rk17.mp3", "seek 7 5000",
// "play 7 paused", "pause 3 off", "fft on", ...) and answers with the results a test sets.
#include "SoundLibrary.h"

#include <array>
#include <string>
#include <vector>

class FakeSoundLibrary : public SoundLibrary {
 public:
  bool initResult = true;
  int32_t streamResult = 7;
  std::vector<int32_t> channels = {3, 4, 5, 6};  // handed out in turn; -1 = refused
  size_t nextChannel = 0;
  bool spectrumAvailable = true;
  std::array<float, 512> spectrum{};              // what getSpectrum returns
  std::vector<std::string> calls;

  bool init(int32_t rate, int32_t count) override;
  void close() override;
  int32_t openStream(const char* path) override;
  void closeStream(int32_t stream) override;
  bool setStreamTime(int32_t stream, int32_t ms) override;
  int32_t playStream(int32_t stream, bool paused) override;
  bool setPaused(int32_t channel, bool paused) override;
  DspUnit* getFFTUnit() override { return &_fftUnit; }
  const float* getSpectrum() override;
  DspUnit* createDsp(DspCallback, int32_t, void*) override { return nullptr; }
  void setDspActive(DspUnit* unit, bool active) override;
  void freeDsp(DspUnit*) override {}
  int32_t getBufferLength() const override { return 1024; }
  int32_t getBufferLengthTotal() const override { return 8192; }
  int32_t getMixer() const override { return kMixerTypeS16; }

 private:
  DspUnit _fftUnit;
};
