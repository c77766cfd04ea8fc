#pragma once
// Renders the stepped-clock run into one video file: each frame is read back from the GL back
// buffer into a frame slot and piped as raw RGB to ffmpeg; the offline mix's blocks, from the
// demo time of the first frame on, go to its audio input, so the soundtrack is sample-aligned to
// the frames (frame k at FROM + k * 1000 / FPS ms, audio sample s at FROM + s / 44100 s).
// The file is written under a temporary name beside the target and renamed once complete; a
// failure or an interruption (SIGINT, SIGTERM, quit) removes it.
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FfmpegPipe.h"
#include "FrameSink.h"

class VideoExport : public FrameSink {
 public:
  static constexpr int kSlots = 3;  // frames in flight: one read back, two queued for the encoder

  explicit VideoExport(const CaptureOptions& options);
  ~VideoExport() override;

  // Finds ffmpeg, creates the temporary file, installs the audio tap and the interrupt handler.
  bool prepare() override;
  bool writeFrame(int width, int height) override;
  bool finish(bool complete) override;

  int64_t framesWritten() const { return _frames; }

  // The encoder's arguments for a width x height RGB frame stream at the options' rate, written
  // to outputPath in the container the video file's extension names.
  static std::vector<std::string> encoderArguments(const CaptureOptions& options, int width, int height,
                                                   const std::string& outputPath);
  // The video encoder and its settings for a --quality.
  static std::vector<std::string> videoCodecArguments(VideoQuality quality);
  // Where the file is written until it is complete.
  static std::string temporaryPath(const std::string& videoFile);
  // Frames a run from options.fromMs to lastMs shows (frame times no later than lastMs).
  static int64_t frameCount(const CaptureOptions& options, int64_t lastMs);
  // First sample frame (44100 Hz) of demo time ms.
  static int64_t sampleAt(int64_t ms);
  // The progress line (no line end).
  static std::string progressText(int64_t frames, int64_t total, int64_t demoMs, double fps, double secondsLeft);

 private:
  int64_t plannedFrames();
  static void onAudio(void* self, const int16_t* samples, int32_t frames, int64_t streamFrame);
  void takeAudio(const int16_t* samples, int32_t frames, int64_t streamFrame);
  void sendSilence(int64_t frames);
  bool startEncoder(int width, int height);
  bool createSlots(size_t bytes);
  void releaseSlots();
  // Waits for the read-back of slot to complete and queues it for the encoder.
  void handOver(int slot);
  void showProgress(bool last);
  // Stops the encoder, removes the temporary file, restores the signal handlers (no GL calls:
  // the caller releases the slots while the context exists).
  void discard();
  void restoreSignals();
  static void atExit();

  CaptureOptions _options;
  std::string _ffmpeg;     // path of the encoder program
  std::string _temporary;  // the file being written
  FfmpegPipe _pipe;
  bool _prepared = false;
  bool _failed = false;
  int _width = 0;
  int _height = 0;
  int64_t _frames = 0;
  int64_t _plannedFrames = -1;  // frames the run will show, known once the script is loaded

  // Frame slots: persistently mapped pixel pack buffers when the GL offers buffer storage,
  // else memory that glReadPixels fills directly.
  bool _useBuffers = false;
  size_t _frameBytes = 0;
  std::array<unsigned int, kSlots> _buffers{};
  std::array<uint8_t*, kSlots> _mapped{};
  std::array<void*, kSlots> _fences{};
  std::vector<uint8_t> _memory;
  int _pending = -1;  // slot read back but not yet handed to the encoder

  // Audio: stream frames from _audioStart on; _audioSent of them were sent (silence included).
  int64_t _audioStart = 0;
  int64_t _audioSent = 0;
  std::vector<int16_t> _audioBacklog;  // mixed before the encoder started

  std::chrono::steady_clock::time_point _startedAt;
  std::chrono::steady_clock::time_point _lastProgress;
  bool _progressShown = false;
};
