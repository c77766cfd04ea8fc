#pragma once
// Where a stepped-clock run sends its frames: PNG files (FrameCapture) or the video encoder
// (VideoExport). The runner calls prepare before start-up, writeFrame for every shown frame and
// finish after the last one, while the GL context still exists.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // False (after a report on stderr) when the run cannot start.
  virtual bool prepare() = 0;
  // Takes the current read buffer (width x height, bottom-up rows); false (after a report)
  // stops the run.
  virtual bool writeFrame(int width, int height) = 0;
  // After the last frame; complete is false when the run stopped early (quit or a failed
  // frame). False (after a report) when the sink's output failed.
  virtual bool finish(bool /*complete*/) { return true; }
};
