#pragma once
// Frame capture: a stepped counter for the demo clock and PNG files of the frames shown.
#include "CommandLine.h"
#include "FrameSink.h"

#include <cstdint>
#include <string>
#include <vector>

class FrameCapture : public FrameSink {
 public:
  explicit FrameCapture(const CaptureOptions& options);

  // Creates the output folder; false (after a report on stderr) when it cannot.
  bool prepare() override;
  // Demo time of frame k in ms: from + k * 1000 / fps.
  int64_t frameTime(int64_t k) const { return frameTime(_options, k); }
  static int64_t frameTime(const CaptureOptions& options, int64_t k);
  // The last demo time to capture: --to, or else the last ms before endTime (at the end time
  // itself every span has ended, so that frame would show none of the show's last picture).
  static int64_t lastTime(const CaptureOptions& options, int32_t endTime);
  // Counter for a DemoClock of frequency 1000: the stepped time in ms.
  static int64_t counter();
  // Sets the counter so that a clock started at counter 0 with offset startMs reads timeMs.
  static void stepTo(int64_t timeMs, int32_t startMs);
  // Writes the current read buffer (width x height, bottom-up) as the next frame file;
  // false (after a report on stderr) when the file cannot be written.
  bool writeFrame(int width, int height) override;
  int64_t framesWritten() const { return _written; }
  const std::string& lastError() const { return _lastError; }

 private:
  CaptureOptions _options;
  int64_t _written = 0;
  std::vector<uint8_t> _pixels;  // reused between frames
  std::string _lastError;
};
