#pragma once
// The program's sound library: an SDL2 audio device at 44100 Hz, 16-bit stereo, one MP3
// stream (Mp3Stream), numbered channels, DSP units on every mixed block and a spectrum of the
// output (SpectrumAnalyzer).
//
// The mixer runs on the audio thread in blocks of getBufferLength() frames, in the sample
// format chosen at construction: the stream's frames (silence while paused or when the decoder
// lags; the stream then skips the frames it owes, so the music keeps its place), then the
// active DSP units in priority order, then the analysis, then the device. It takes no lock and
// allocates nothing. With a device, a playing stream also keeps pace with the time source (the
// performance counter, as the demo clock): when the device has asked for less than the time
// that passed since play started (an audio thread starved of the processor, a device that lost
// time) by more than kMaxLagMs, the stream skips the difference.
//
// Offline mode (frame capture, tests): initOffline() opens no device; mixOfflineUntil() mixes
// the blocks a frame would have heard, on the calling thread, through the same block path, so
// DSP units and the spectrum see what playback gives them.
#include "DspUnit.h"
#include "Mp3Stream.h"
#include "SampleFormat.h"
#include "SoundLibrary.h"
#include "SpectrumAnalyzer.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class SoundSystem : public SoundLibrary {
 public:
  static constexpr int32_t kMixRate = 44100;   // Hz; the only rate offered
  static constexpr int32_t kBlockFrames = 1024;
  static constexpr int32_t kRingBlocks = 8;    // the mixer's ring: kRingBlocks x kBlockFrames
  static constexpr int32_t kMaxDspUnits = 16;
  // Longest wait of playStream for the decoder to fill its ring after a seek, in ms.
  static constexpr int32_t kPrimeTimeoutMs = 1000;
  // How far the stream may fall behind the time source before it skips forward, in ms.
  static constexpr int32_t kMaxLagMs = 100;
  using CounterFn = int64_t (*)();  // the time source: current counter value in ticks

  explicit SoundSystem(SampleFormat format = SampleFormat::S16);
  ~SoundSystem() override;  // close()
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // The program-wide instance (16-bit mixer). Never destroyed, so a function registered with
  // atexit may still close it.
  static SoundSystem& instance();

  // SoundLibrary. init opens the default output device of SDL's audio driver (SDL_AUDIODRIVER
  // chooses it); false when there is none or mixRate is not 44100.
  bool init(int32_t mixRate, int32_t maxChannels) override;
  void close() override;
  int32_t openStream(const char* path) override;
  void closeStream(int32_t stream) override;
  bool setStreamTime(int32_t stream, int32_t ms) override;
  int32_t playStream(int32_t stream, bool startPaused) override;
  bool setPaused(int32_t channel, bool paused) override;
  DspUnit* getFFTUnit() override;
  const float* getSpectrum() override;
  DspUnit* createDsp(DspCallback callback, int32_t priority, void* userData) override;
  void setDspActive(DspUnit* unit, bool active) override;
  void freeDsp(DspUnit* unit) override;
  int32_t getBufferLength() const override { return kBlockFrames; }
  int32_t getBufferLengthTotal() const override { return kBlockFrames * kRingBlocks; }
  int32_t getMixer() const override { return mixerTypeOf(_format); }

  // Initialises without a device (true; also when already initialised in either mode: init()
  // afterwards keeps the offline mode). Streams then decode on the thread that mixes.
  bool initOffline();
  bool isInitialised() const { return _initialised; }
  bool isOffline() const { return _offline; }
  SampleFormat sampleFormat() const { return _format; }

  // Offline mode: mixes whole blocks until a playing stream's position has reached timeMs of
  // stream time (a stream seeked to the show's start time and played when the show starts stays
  // in step with the show's clock). Without a playing stream it mixes silent blocks for the time
  // since the previous call (at most one ring). Never goes back; does nothing in device mode.
  void mixOfflineUntil(int32_t timeMs);

  // Blocks mixed since init (either mode). For tests and measurements.
  uint64_t blocksMixed() const { return _blocksMixed.load(); }
  // Stream frames played since init (either mode): frames the decoder supplied to a playing
  // channel. Against the demo clock it shows whether the music keeps pace with the show.
  uint64_t streamFramesPlayed() const { return _streamFramesPlayed.load(); }
  // Stream frames skipped since init: decoded too late, after silence had played in their place.
  // Played plus skipped is how far the music has moved on.
  uint64_t streamFramesSkipped() const { return _streamFramesSkipped.load(); }

  // The time source the device mode paces a playing stream by (default: the SDL performance
  // counter); frequency in ticks per second, > 0. Set it before init.
  void setTimeSource(CounterFn counter, int64_t frequency);

  // Tests: holds the open stream's decoder (a decoder that cannot keep up), or lets it go on.
  void holdStreamDecoder(bool held) {
    if (_stream) _stream->holdDecoder(held);
  }

  // Offline mode: receives every mixed block as the device would get it (16-bit stereo), with
  // the stream frame the block starts at, or -1 for a block mixed while no stream played.
  using OfflineTap = void (*)(void* user, const int16_t* samples, int32_t frames, int64_t streamFrame);
  // Installs tap (null removes it); it is called on the thread that mixes.
  void setOfflineTap(OfflineTap tap, void* user);

 private:
  static void audioCallback(void* self, Uint8* out, int length);
  void fillDevice(uint8_t* out, int32_t bytes);
  // One block: stream, DSP units, analysis; then converted to 16-bit into out (2 x kBlockFrames).
  void mixBlock(int16_t* out);
  // Main thread, after unpublishing something the mixer used: returns once no block that could
  // still have seen it is being mixed.
  void waitForMixer() const;
  void stopChannel();
  // Audio thread, device mode, stream playing: the frames the stream must skip to keep pace
  // with the time source (0 when it keeps pace), counting the block about to be mixed.
  int64_t lagFrames();
  void freeAllUnits();

  const SampleFormat _format;
  bool _initialised = false;
  bool _offline = false;
  bool _sdlAudioStarted = false;
  SDL_AudioDeviceID _device = 0;
  int32_t _maxChannels = 8;

  std::unique_ptr<Mp3Stream> _stream;
  int32_t _streamHandle = 0;      // handle of _stream, 0 when none
  int32_t _lastHandle = 0;        // handles count up so a closed one never matches again
  int32_t _channel = -1;          // current channel number, -1 when none
  int32_t _nextChannel = 0;       // channel number the next playStream hands out
  std::atomic<Mp3Stream*> _mixStream{nullptr};  // the open stream as the mixer sees it
  std::atomic<bool> _paused{true};              // true unless a channel plays the stream
  std::atomic<uint32_t> _playSerial{0};         // counts seeks, plays and pauses (main thread)

  // Pacing by the time source (audio thread, device mode).
  CounterFn _counter = nullptr;
  int64_t _frequency = 1;
  uint32_t _anchorSerial = 0xFFFFFFFFu;  // _playSerial when the anchor was taken
  int64_t _anchorTicks = 0;              // time source reading at the first block of the play
  int64_t _framesSinceAnchor = 0;        // stream frames played, padded or skipped since then

  std::array<DspUnit, kMaxDspUnits> _units;
  DspUnit _fftUnit;
  SpectrumAnalyzer _analyzer;

  // Mixer working memory, allocated at construction.
  std::vector<uint8_t> _mixBuffer;  // one block in _format
  std::vector<int16_t> _decoded;    // one block of decoded frames
  std::vector<int16_t> _carry;      // a block mixed for the device but not yet handed over
  int32_t _carryOffset = 0;         // bytes of _carry already handed over
  int32_t _carryBytes = 0;          // bytes of _carry filled

  std::atomic<bool> _mixing{false};          // a block is being mixed
  std::atomic<uint64_t> _blocksMixed{0};
  std::atomic<uint64_t> _streamFramesPlayed{0};
  std::atomic<uint64_t> _streamFramesSkipped{0};

  OfflineTap _offlineTap = nullptr;
  void* _offlineTapUser = nullptr;

  int32_t _offlineLastMs = 0;        // time argument of the previous mixOfflineUntil
  int64_t _offlineSilentFrames = 0;  // frames of silence owed but not yet a whole block
};
