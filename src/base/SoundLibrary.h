#pragma once
// The sound library as the show uses it: device, one MP3 stream, channels, spectrum and DSP
// units. SoundSystem implements it; tests substitute recording fakes. All calls come from the
// program's main thread; DSP callbacks run on the audio thread.
#include "DspUnit.h"

#include <cstdint>

class SoundLibrary {
 public:
  virtual ~SoundLibrary() = default;

  // Opens the output at mixRate Hz stereo; maxChannels channel numbers are handed out in turn.
  // True when initialised (also when it already was).
  virtual bool init(int32_t mixRate, int32_t maxChannels) = 0;
  // Closes every stream, frees every DSP unit and closes the output; safe when not initialised.
  virtual void close() = 0;

  // Opens an MP3 file for streaming with sample-accurate seeking. Returns a handle > 0, or 0
  // when not initialised, when a stream is already open (one at a time), or when the file is
  // missing or not decodable.
  virtual int32_t openStream(const char* path) = 0;
  virtual void closeStream(int32_t stream) = 0;
  // Positions the stream at ms (negative = 0; past the end plays silence). False on a bad handle.
  virtual bool setStreamTime(int32_t stream, int32_t ms) = 0;
  // Starts the stream on a new channel (the previous one stops) and returns its number, or -1
  // on a bad handle. The channel starts paused when startPaused is true.
  virtual int32_t playStream(int32_t stream, bool startPaused) = 0;
  // Pauses or resumes the channel's stream; false when the channel is not the current one.
  virtual bool setPaused(int32_t channel, bool paused) = 0;

  // The built-in analysis unit: while it is active the spectrum of the output is kept.
  virtual DspUnit* getFFTUnit() = 0;
  // 512 bands from low to high frequency, each 0..1, valid until the next call; null when not
  // initialised or the analysis unit is not active.
  virtual const float* getSpectrum() = 0;
  // A new unit, inactive; null when not initialised or all slots are taken.
  virtual DspUnit* createDsp(DspCallback callback, int32_t priority, void* userData) = 0;
  virtual void setDspActive(DspUnit* unit, bool active) = 0;
  // Deactivates and releases the unit; when it returns the callback is not running and will not
  // run again. Null is ignored.
  virtual void freeDsp(DspUnit* unit) = 0;

  virtual int32_t getBufferLength() const = 0;       // frames per mixed block
  virtual int32_t getBufferLengthTotal() const = 0;  // frames in the ring of blocks
  virtual int32_t getMixer() const = 0;              // mixer type of the blocks (SampleFormat.h)
};
