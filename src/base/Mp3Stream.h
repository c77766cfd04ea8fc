#pragma once
// One MP3 file decoded with libmpg123 (gapless, sample-accurate seeking) into 16-bit signed
// stereo frames at 44100 Hz.
//
// Two ways to read it:
// - decode-ahead (playback): a decoder thread keeps a lock-free ring of decoded chunks full;
//   the audio thread takes frames with read() and never waits. A seek tags the chunks decoded
//   afterwards with a new generation; the reader drops chunks of older generations.
// - direct (offline mixing, tests): read() decodes on the calling thread.
// Either way the frames after a seek are exactly those that decoding from the start would give
// at that position; past the end a reader gets no frames (the mixer plays silence).
#include <mpg123.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class Mp3Stream {
 public:
  static constexpr int32_t kRate = 44100;        // frames per second of the decoded output
  static constexpr int32_t kChunkFrames = 2048;  // frames per decoded chunk
  static constexpr int32_t kChunkCount = 24;     // chunks in the decode-ahead ring (~1.1 s)

  Mp3Stream();
  ~Mp3Stream();
  Mp3Stream(const Mp3Stream&) = delete;
  Mp3Stream& operator=(const Mp3Stream&) = delete;

  // Opens path; false (and nothing open) when the file is missing, empty, not MPEG audio, or
  // not 44100 Hz. decodeAhead starts the decoder thread.
  bool open(const char* path, bool decodeAhead);
  // Stops the decoder thread and closes the file. The reader must have stopped reading.
  void close();
  bool isOpen() const { return _handle != nullptr; }

  // Main thread: the next frames read start at frame (negative = 0).
  void seekFrame(int64_t frame);
  // Reader: copies up to frames decoded frames (2 int16 each) into out and returns how many;
  // fewer when the decoder lags behind (decode-ahead) or at the end of the file.
  int32_t read(int16_t* out, int32_t frames);
  // Reader: reads as read() does, but keeps the stream in step with the frames asked for. In
  // decode-ahead mode the frames the decoder could not supply in time (the reader plays silence
  // in their place) are owed, and as many frames are dropped as they arrive, so the music never
  // falls behind the time that was played. *skipped receives the frames dropped by this call. A
  // seek clears what is owed. Direct mode never lags: read().
  int32_t readInStep(int16_t* out, int32_t frames, int32_t* skipped);
  // Reader, decode-ahead: frames more to drop as they arrive (the output lost that much time).
  void owe(int64_t frames);
  // Reader, decode-ahead: frames owed since the last seek, not yet dropped.
  int64_t owedFrames() const { return _owedFrames; }
  // Tests: while held, the decoder thread decodes nothing (a decoder that cannot keep up).
  void holdDecoder(bool held);
  // Reader, decode-ahead: drops chunks that belong to a position before the last seek, so the
  // decoder can refill the ring while nothing plays.
  void dropStale();
  // Main thread, decode-ahead: true once the ring holds decoded frames of the last seek
  // (full, or everything up to the end of the file). Direct streams are always ready.
  bool isPrimed() const;
  // Direct mode: the frame that the next read() starts at, counting frames past the end too.
  int64_t directPosition() const { return _directPosition; }

 private:
  struct Chunk {
    uint32_t generation = 0;  // seek generation the frames belong to
    int32_t frames = 0;       // decoded frames in data
    std::vector<int16_t> data;  // kChunkFrames x 2 samples, allocated at open
  };

  void decoderLoop();
  // Decodes up to frames frames at the current position into out; returns frames decoded and
  // sets atEnd when the file has no more.
  int32_t decode(int16_t* out, int32_t frames, bool& atEnd);
  void seekDecoder(int64_t frame);
  // Reader: forgets the frames owed when a seek came since they were counted.
  void clearDebtAfterSeek();
  // Reader, decode-ahead: takes up to frames frames of the wanted generation from the ring into
  // out (null: drops them) and returns how many.
  int32_t take(int16_t* out, int32_t frames);

  mpg123_handle* _handle = nullptr;
  bool _decodeAhead = false;
  int64_t _directPosition = 0;  // frames (direct mode)

  // Decode-ahead state. _mutex guards the decoder handle between the main and decoder threads;
  // the audio thread never takes it.
  std::vector<Chunk> _chunks;
  std::atomic<uint64_t> _writeCount{0};  // chunks published (decoder thread writes)
  std::atomic<uint64_t> _readCount{0};   // chunks consumed or dropped (reader writes)
  int32_t _readOffset = 0;               // frames taken from the chunk at _readCount (reader only)
  int64_t _owedFrames = 0;               // frames padded with silence, still to drop (reader only)
  uint32_t _owedGeneration = 0;          // seek generation _owedFrames belongs to (reader only)
  std::atomic<bool> _held{false};        // holdDecoder
  std::atomic<uint32_t> _wantedGeneration{0};
  std::atomic<uint32_t> _primedGeneration{0};  // last generation whose ring is full or ended
  std::mutex _mutex;
  std::condition_variable _wake;
  uint32_t _generation = 0;     // guarded by _mutex
  bool _seekPending = false;    // guarded by _mutex
  int64_t _seekTarget = 0;      // frames, guarded by _mutex
  bool _atEnd = false;          // guarded by _mutex
  bool _quit = false;           // guarded by _mutex
  std::thread _decoder;
};
