#include "SoundSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int32_t kBlockBytes = SoundSystem::kBlockFrames * 2 * 2;  // 16-bit stereo block for the device
// Offline mixing decodes at most this far ahead of a stream's position before it seeks instead
// (a capture that jumps far forward), in frames.
constexpr int64_t kMaxOfflineCatchUp = 10LL * SoundSystem::kMixRate;

int64_t sdlCounter() { return static_cast<int64_t>(SDL_GetPerformanceCounter()); }

int16_t clip16(int64_t value) {
  return static_cast<int16_t>(std::min<int64_t>(std::max<int64_t>(value, -32768), 32767));
}
}  // namespace

SoundSystem::SoundSystem(SampleFormat format)
    : _format(format),
      _mixBuffer(static_cast<size_t>(kBlockFrames) * 2 * 4),
      _decoded(static_cast<size_t>(kBlockFrames) * 2),
      _carry(static_cast<size_t>(kBlockFrames) * 2) {
  setTimeSource(&sdlCounter, static_cast<int64_t>(SDL_GetPerformanceFrequency()));
}

SoundSystem::~SoundSystem() { close(); }

void SoundSystem::setTimeSource(CounterFn counter, int64_t frequency) {
  _counter = counter;
  _frequency = frequency > 0 ? frequency : 1;
  _playSerial.fetch_add(1);  // anchored again by the new source
}

SoundSystem& SoundSystem::instance() {
  static SoundSystem* const system = new SoundSystem();  // deliberately never destroyed
  return *system;
}

bool SoundSystem::init(int32_t mixRate, int32_t maxChannels) {
  if (_initialised) return true;
  if (mixRate != kMixRate) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = kMixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(kBlockFrames);
  want.callback = &SoundSystem::audioCallback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts if the hardware differs, so the callback always gets
  // 16-bit stereo at 44100 Hz.
  _device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (_device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  _sdlAudioStarted = true;
  _initialised = true;
  _offline = false;
  _maxChannels = std::max(1, maxChannels);
  _carryOffset = 0;
  _carryBytes = 0;
  SDL_PauseAudioDevice(_device, 0);  // the mixer runs from now on; silence until a channel plays
  return true;
}

bool SoundSystem::initOffline() {
  if (_initialised) return true;
  _initialised = true;
  _offline = true;
  _offlineLastMs = 0;
  _offlineSilentFrames = 0;
  return true;
}

void SoundSystem::close() {
  if (!_initialised) return;
  if (_device != 0) {
    SDL_CloseAudioDevice(_device);  // returns once the audio thread has stopped
    _device = 0;
  }
  if (_sdlAudioStarted) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    _sdlAudioStarted = false;
  }
  closeStream(_streamHandle);
  freeAllUnits();
  _fftUnit._active.store(false);
  _analyzer.clear();
  _channel = -1;
  _initialised = false;
  _offline = false;
}

void SoundSystem::waitForMixer() const {
  if (_device == 0) return;  // offline: the mixer runs on the caller's thread
  // Whatever was unpublished before this call is invisible to every block that starts later;
  // wait for the block in progress, if any.
  const uint64_t seen = _blocksMixed.load();
  while (_mixing.load() && _blocksMixed.load() == seen) SDL_Delay(1);
}

int32_t SoundSystem::openStream(const char* path) {
  if (!_initialised || _stream) return 0;
  std::unique_ptr<Mp3Stream> stream(new Mp3Stream());
  if (!stream->open(path, !_offline)) return 0;
  _stream = std::move(stream);
  _streamHandle = ++_lastHandle;
  _mixStream.store(_stream.get());
  return _streamHandle;
}

void SoundSystem::stopChannel() {
  _paused.store(true);
  _playSerial.fetch_add(1);
  _channel = -1;
}

void SoundSystem::closeStream(int32_t stream) {
  if (stream == 0 || stream != _streamHandle || !_stream) return;
  stopChannel();
  _mixStream.store(nullptr);
  waitForMixer();
  _stream->close();
  _stream.reset();
  _streamHandle = 0;
}

bool SoundSystem::setStreamTime(int32_t stream, int32_t ms) {
  if (stream == 0 || stream != _streamHandle || !_stream) return false;
  const int64_t frame = static_cast<int64_t>(std::max(ms, 0)) * kMixRate / 1000;
  _stream->seekFrame(frame);
  _playSerial.fetch_add(1);
  return true;
}

int32_t SoundSystem::playStream(int32_t stream, bool startPaused) {
  if (stream == 0 || stream != _streamHandle || !_stream) return -1;
  // A stream plays on one channel: the new channel replaces the previous one.
  _paused.store(true);
  _channel = _nextChannel;
  _nextChannel = (_nextChannel + 1) % _maxChannels;
  // Let the decoder fill its ring at the new position first, so the first block plays at once
  // and a faster-than-real-time device (disk driver) does not overtake the decoder.
  for (int32_t waited = 0; !_stream->isPrimed() && waited < kPrimeTimeoutMs; ++waited) SDL_Delay(1);
  _playSerial.fetch_add(1);
  _paused.store(startPaused);
  return _channel;
}

bool SoundSystem::setPaused(int32_t channel, bool paused) {
  if (channel < 0 || channel != _channel) return false;
  _playSerial.fetch_add(1);
  _paused.store(paused);
  return true;
}

DspUnit* SoundSystem::getFFTUnit() { return _initialised ? &_fftUnit : nullptr; }

const float* SoundSystem::getSpectrum() {
  if (!_initialised || !_fftUnit.isActive()) return nullptr;
  return _analyzer.compute();
}

DspUnit* SoundSystem::createDsp(DspCallback callback, int32_t priority, void* userData) {
  if (!_initialised || !callback) return nullptr;
  for (DspUnit& unit : _units) {
    if (unit._used.load()) continue;
    unit._callback = callback;
    unit._userData = userData;
    unit._priority = priority;
    unit._active.store(false);
    unit._used.store(true);
    return &unit;
  }
  return nullptr;
}

void SoundSystem::setDspActive(DspUnit* unit, bool active) {
  if (!unit) return;
  if (unit != &_fftUnit && !unit->_used.load()) return;
  unit->_active.store(active);
}

void SoundSystem::freeDsp(DspUnit* unit) {
  if (!unit) return;
  unit->_active.store(false);
  waitForMixer();
  if (unit == &_fftUnit) return;  // built in: only switched off
  unit->_callback = nullptr;
  unit->_userData = nullptr;
  unit->_used.store(false);
}

void SoundSystem::freeAllUnits() {
  for (DspUnit& unit : _units)
    if (unit._used.load()) freeDsp(&unit);
}

void SoundSystem::audioCallback(void* self, Uint8* out, int length) {
  static_cast<SoundSystem*>(self)->fillDevice(out, length);
}

void SoundSystem::fillDevice(uint8_t* out, int32_t bytes) {
  // Blocks are mixed whole; the part of a block the device did not take yet is handed over at
  // the next call, so block length and device buffer size are independent.
  while (bytes > 0) {
    if (_carryOffset >= _carryBytes) {
      mixBlock(_carry.data());
      _carryOffset = 0;
      _carryBytes = kBlockBytes;
    }
    const int32_t n = std::min(bytes, _carryBytes - _carryOffset);
    std::memcpy(out, reinterpret_cast<const uint8_t*>(_carry.data()) + _carryOffset, static_cast<size_t>(n));
    out += n;
    bytes -= n;
    _carryOffset += n;
  }
}

void SoundSystem::mixBlock(int16_t* out) {
  _mixing.store(true);
  const int32_t samples = kBlockFrames * 2;
  int32_t got = 0;
  int64_t streamFrame = -1;
  Mp3Stream* stream = _mixStream.load();
  if (stream) {
    if (!_paused.load()) {
      if (_offline) streamFrame = stream->directPosition();
      // Frames the decoder did not have in time play as silence and are skipped once decoded,
      // and so is time the device lost, so the music stays where the clock is.
      if (!_offline) stream->owe(lagFrames());
      int32_t skipped = 0;
      got = stream->readInStep(_decoded.data(), kBlockFrames, &skipped);
      _streamFramesPlayed.fetch_add(static_cast<uint64_t>(got));
      _streamFramesSkipped.fetch_add(static_cast<uint64_t>(skipped));
    } else {
      stream->dropStale();
    }
  }
  std::fill(_decoded.begin() + 2 * got, _decoded.end(), static_cast<int16_t>(0));

  void* mixed = _mixBuffer.data();
  switch (_format) {
    case SampleFormat::S16:
      std::memcpy(mixed, _decoded.data(), static_cast<size_t>(samples) * 2);
      break;
    case SampleFormat::S32: {
      int32_t* s = static_cast<int32_t*>(mixed);
      for (int32_t i = 0; i < samples; ++i) s[i] = _decoded[i];
      break;
    }
    case SampleFormat::Float32: {
      float* s = static_cast<float*>(mixed);
      for (int32_t i = 0; i < samples; ++i) s[i] = _decoded[i];
      break;
    }
  }

  DspBlock block;
  block.samples = mixed;
  block.frames = kBlockFrames;
  block.format = _format;
  block.mixerType = mixerTypeOf(_format);
  block.blockLength = kBlockFrames;
  block.ringLength = kBlockFrames * kRingBlocks;
  // Active units by priority (lower first; equal priorities in creation-slot order).
  int32_t order[kMaxDspUnits];
  int32_t count = 0;
  for (int32_t i = 0; i < kMaxDspUnits; ++i) {
    if (!_units[i]._active.load()) continue;
    int32_t at = count++;
    while (at > 0 && _units[order[at - 1]]._priority > _units[i]._priority) {
      order[at] = order[at - 1];
      --at;
    }
    order[at] = i;
  }
  for (int32_t k = 0; k < count; ++k) _units[order[k]]._callback(block, _units[order[k]]._userData);
  if (_fftUnit._active.load()) _analyzer.feed(mixed, kBlockFrames, _format);

  switch (_format) {
    case SampleFormat::S16:
      std::memcpy(out, mixed, static_cast<size_t>(samples) * 2);
      break;
    case SampleFormat::S32: {
      const int32_t* s = static_cast<const int32_t*>(mixed);
      for (int32_t i = 0; i < samples; ++i) out[i] = clip16(s[i]);
      break;
    }
    case SampleFormat::Float32: {
      const float* s = static_cast<const float*>(mixed);
      for (int32_t i = 0; i < samples; ++i) {
        const float v = std::min(std::max(s[i], -32768.0f), 32767.0f);  // also maps NaN to -32768
        out[i] = static_cast<int16_t>(std::lrint(v));
      }
      break;
    }
  }
  if (_offline && _offlineTap) _offlineTap(_offlineTapUser, out, kBlockFrames, streamFrame);
  _blocksMixed.fetch_add(1);
  _mixing.store(false);
}

int64_t SoundSystem::lagFrames() {
  const int64_t now = _counter();
  const uint32_t serial = _playSerial.load();
  if (serial != _anchorSerial) {
    _anchorSerial = serial;
    _anchorTicks = now;
    _framesSinceAnchor = kBlockFrames;
    return 0;
  }
  // The block about to be mixed should end no earlier than the time that has passed.
  const int64_t due = (now - _anchorTicks) * kMixRate / _frequency;
  int64_t lag = due - _framesSinceAnchor;
  if (lag <= static_cast<int64_t>(kMaxLagMs) * kMixRate / 1000) lag = 0;
  _framesSinceAnchor += lag + kBlockFrames;
  return lag;
}

void SoundSystem::setOfflineTap(OfflineTap tap, void* user) {
  _offlineTap = tap;
  _offlineTapUser = user;
}

void SoundSystem::mixOfflineUntil(int32_t timeMs) {
  if (!_initialised || !_offline) return;
  Mp3Stream* stream = _mixStream.load();
  if (stream && !_paused.load()) {
    const int64_t target = static_cast<int64_t>(timeMs) * kMixRate / 1000;
    if (target - stream->directPosition() > kMaxOfflineCatchUp)
      stream->seekFrame(target - static_cast<int64_t>(kBlockFrames) * kRingBlocks);
    while (stream->directPosition() < target) mixBlock(_carry.data());
    _offlineSilentFrames = 0;
  } else {
    const int64_t elapsed = std::max<int64_t>(static_cast<int64_t>(timeMs) - _offlineLastMs, 0);
    _offlineSilentFrames = std::min<int64_t>(_offlineSilentFrames + elapsed * kMixRate / 1000,
                                             static_cast<int64_t>(kBlockFrames) * kRingBlocks);
    for (; _offlineSilentFrames >= kBlockFrames; _offlineSilentFrames -= kBlockFrames) mixBlock(_carry.data());
  }
  _offlineLastMs = timeMs;
}
