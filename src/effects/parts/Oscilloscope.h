#pragma once
// The oscilloscope picture: the oldest complete block of the sound capture drawn as a thick line
// strip of 101 points into a 256 x 256 pixel buffer.
#include "PBuffer.h"

#include <cstdint>

class SoundCapture;

class Oscilloscope {
 public:
  // Creates the pixel buffer (256 x 256, no depth texture; texture wrap GL_REPEAT, minification
  // GL_LINEAR, magnification GL_NEAREST). Needs a current GL context.
  Oscilloscope();

  void setColor(float red, float green, float blue, float alpha);
  // Draws the trace into the cleared pixel buffer (0, 0, 0, 0) and returns it; null when the
  // buffer is not initialised. The viewport is restored afterwards.
  PBuffer* draw(const SoundCapture& capture);

  int32_t getSampleCount() const { return _sampleCount; }
  PBuffer& getTarget() { return _target; }

 private:
  void drawTrace(const SoundCapture& capture);

  int32_t _sampleCount = 100;  // line segments; the strip has one point more
  float _red = 1.0f;           // trace colour, 0..1
  float _green = 1.0f;
  float _blue = 1.0f;
  float _alpha = 1.0f;
  PBuffer _target;
  int32_t _size = 256;         // pixel buffer width and height
};
