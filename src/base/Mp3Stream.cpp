#include "Mp3Stream.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

namespace {
constexpr uint32_t kNeverPrimed = 0xFFFFFFFFu;
// Decoder thread poll interval while the ring is full or the file has ended: the reader frees
// room without signalling (it must not touch the mutex).
constexpr std::chrono::milliseconds kDecoderPoll(2);
// Successive reads that return neither frames nor an end before the file is treated as ended.
constexpr int kMaxEmptyReads = 8;

bool initLibrary() {
  // Process-wide, once; thread-safe initialisation of the static.
  static const bool ok = mpg123_init() == MPG123_OK;
  return ok;
}
}  // namespace

Mp3Stream::Mp3Stream() = default;

Mp3Stream::~Mp3Stream() { close(); }

bool Mp3Stream::open(const char* path, bool decodeAhead) {
  close();
  if (!path || !initLibrary()) return false;
  int error = MPG123_OK;
  _handle = mpg123_new(nullptr, &error);
  if (!_handle) return false;
  mpg123_param(_handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_format_none(_handle);
  mpg123_format(_handle, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_open(_handle, path) != MPG123_OK ||
      mpg123_getformat(_handle, &rate, &channels, &encoding) != MPG123_OK || rate != kRate || channels != 2 ||
      encoding != MPG123_ENC_SIGNED_16) {
    mpg123_delete(_handle);  // also closes the file
    _handle = nullptr;
    return false;
  }
  // No mpg123_scan: on a truncated file it drops the gapless trimming (1105 frames of encoder
  // and decoder delay would play first). Seeks read forward through unindexed frames, exactly.
  _directPosition = 0;
  _decodeAhead = decodeAhead;
  if (decodeAhead) {
    _chunks.assign(kChunkCount, Chunk());
    for (Chunk& c : _chunks) c.data.assign(static_cast<size_t>(kChunkFrames) * 2, 0);
    _writeCount.store(0);
    _readCount.store(0);
    _readOffset = 0;
    _owedFrames = 0;
    _owedGeneration = 0;
    _generation = 0;
    _wantedGeneration.store(0);
    _primedGeneration.store(kNeverPrimed);
    _seekPending = false;
    _atEnd = false;
    _quit = false;
    _decoder = std::thread(&Mp3Stream::decoderLoop, this);
  }
  return true;
}

void Mp3Stream::close() {
  if (_decoder.joinable()) {
    {
      std::lock_guard<std::mutex> lock(_mutex);
      _quit = true;
    }
    _wake.notify_all();
    _decoder.join();
  }
  if (_handle) {
    mpg123_close(_handle);
    mpg123_delete(_handle);
    _handle = nullptr;
  }
  _chunks.clear();
  _decodeAhead = false;
}

void Mp3Stream::seekFrame(int64_t frame) {
  if (!_handle) return;
  frame = std::max<int64_t>(frame, 0);
  if (!_decodeAhead) {
    seekDecoder(frame);
    _directPosition = frame;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _seekPending = true;
    _seekTarget = frame;
    ++_generation;
    // Published under the mutex: no chunk of the new generation exists before the reader can
    // see that generation as wanted.
    _wantedGeneration.store(_generation, std::memory_order_release);
  }
  _wake.notify_all();
}

void Mp3Stream::seekDecoder(int64_t frame) {
  const off_t result = mpg123_seek(_handle, static_cast<off_t>(frame), SEEK_SET);
  // A position the file cannot reach (past the end) plays silence.
  _atEnd = result < 0;
}

int32_t Mp3Stream::decode(int16_t* out, int32_t frames, bool& atEnd) {
  atEnd = false;
  int32_t got = 0;
  int emptyReads = 0;
  while (got < frames) {
    size_t bytes = 0;
    const int rc = mpg123_read(_handle, reinterpret_cast<unsigned char*>(out + 2 * got),
                               static_cast<size_t>(frames - got) * 4, &bytes);
    got += static_cast<int32_t>(bytes / 4);
    if (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) {
      // The output format is fixed at open; a later format change is refused by the decoder.
      if (bytes == 0 && ++emptyReads >= kMaxEmptyReads) {
        atEnd = true;
        break;
      }
      continue;
    }
    // MPG123_DONE, or an error in the data: the rest of the file plays as silence.
    atEnd = true;
    break;
  }
  return got;
}

void Mp3Stream::decoderLoop() {
  pthread_setname_np(pthread_self(), "rk17-decode");
  std::unique_lock<std::mutex> lock(_mutex);
  int32_t writtenSinceSeek = 0;  // chunks of the current generation
  while (!_quit) {
    if (_seekPending) {
      seekDecoder(_seekTarget);
      _seekPending = false;
      writtenSinceSeek = 0;
    }
    const uint64_t written = _writeCount.load(std::memory_order_relaxed);
    const bool full = written - _readCount.load(std::memory_order_acquire) >= static_cast<uint64_t>(kChunkCount);
    if (_atEnd || full || _held.load(std::memory_order_relaxed)) {
      if (_atEnd || writtenSinceSeek >= kChunkCount) _primedGeneration.store(_generation, std::memory_order_release);
      _wake.wait_for(lock, kDecoderPoll);
      continue;
    }
    Chunk& chunk = _chunks[written % kChunkCount];
    bool atEnd = false;
    chunk.frames = decode(chunk.data.data(), kChunkFrames, atEnd);
    chunk.generation = _generation;
    if (chunk.frames > 0) {
      _writeCount.store(written + 1, std::memory_order_release);
      ++writtenSinceSeek;
    }
    if (atEnd) _atEnd = true;
  }
}

int32_t Mp3Stream::read(int16_t* out, int32_t frames) {
  if (!_handle || frames <= 0) return 0;
  if (!_decodeAhead) {
    bool atEnd = false;
    const int32_t got = decode(out, frames, atEnd);
    _directPosition += frames;  // frames past the end are played as silence
    return got;
  }
  return take(out, frames);
}

int32_t Mp3Stream::readInStep(int16_t* out, int32_t frames, int32_t* skipped) {
  *skipped = 0;
  if (!_decodeAhead) return read(out, frames);
  if (!_handle || frames <= 0) return 0;
  clearDebtAfterSeek();
  if (_owedFrames > 0) {
    *skipped = take(nullptr, static_cast<int32_t>(std::min<int64_t>(_owedFrames, INT32_MAX)));
    _owedFrames -= *skipped;
  }
  const int32_t got = take(out, frames);
  _owedFrames += frames - got;
  return got;
}

void Mp3Stream::owe(int64_t frames) {
  if (!_handle || !_decodeAhead || frames <= 0) return;
  clearDebtAfterSeek();
  _owedFrames += frames;
}

void Mp3Stream::clearDebtAfterSeek() {
  const uint32_t wanted = _wantedGeneration.load(std::memory_order_acquire);
  if (wanted != _owedGeneration) {
    _owedGeneration = wanted;
    _owedFrames = 0;
  }
}

int32_t Mp3Stream::take(int16_t* out, int32_t frames) {
  int32_t copied = 0;
  while (copied < frames) {
    const uint64_t readCount = _readCount.load(std::memory_order_relaxed);
    if (readCount == _writeCount.load(std::memory_order_acquire)) break;  // decoder behind
    const Chunk& chunk = _chunks[readCount % kChunkCount];
    // Loaded after the write count: a chunk of a new generation implies that generation is wanted.
    if (chunk.generation != _wantedGeneration.load(std::memory_order_acquire)) {
      _readOffset = 0;
      _readCount.store(readCount + 1, std::memory_order_release);
      continue;
    }
    const int32_t n = std::min(chunk.frames - _readOffset, frames - copied);
    if (out) std::memcpy(out + 2 * copied, chunk.data.data() + 2 * _readOffset, static_cast<size_t>(n) * 4);
    copied += n;
    _readOffset += n;
    if (_readOffset >= chunk.frames) {
      _readOffset = 0;
      _readCount.store(readCount + 1, std::memory_order_release);
    }
  }
  return copied;
}

void Mp3Stream::holdDecoder(bool held) { _held.store(held); }

void Mp3Stream::dropStale() {
  if (!_handle || !_decodeAhead) return;
  for (;;) {
    const uint64_t readCount = _readCount.load(std::memory_order_relaxed);
    if (readCount == _writeCount.load(std::memory_order_acquire)) return;
    if (_chunks[readCount % kChunkCount].generation == _wantedGeneration.load(std::memory_order_acquire)) return;
    _readOffset = 0;
    _readCount.store(readCount + 1, std::memory_order_release);
  }
}

bool Mp3Stream::isPrimed() const {
  if (!_handle) return false;
  if (!_decodeAhead) return true;
  return _primedGeneration.load(std::memory_order_acquire) == _wantedGeneration.load(std::memory_order_acquire);
}
