#pragma once
// "Osc": an oscilloscope trace of the mixed sound, drawn into its own pixel buffer and laid over
// the screen in a rectangle that darkens what lies below in the trace's colour. The samples come
// from the program-wide SoundCapture, whose DSP unit runs from the first start until the instance
// is destroyed.
#include "Effect.h"
#include "Oscilloscope.h"

#include <memory>

class Oscillo : public Effect {
 public:
  // Needs a current GL context (the oscilloscope's pixel buffer).
  Oscillo();
  // Frees the capture's DSP unit when this instance started it.
  ~Oscillo() override;

  // Base start, then the capture: fatal "Oscillo: sound not inited" when the sound system was
  // never initialised; otherwise the capture (re)starts on the sound library and the effect is
  // ready to draw.
  void start(uint32_t time) override;
  // Only when ready: the trace into the pixel buffer, then the buffer over the rectangle
  // ("xPos", "yPos", "Width", "Height") with the screen scaled by one minus the texture colour.
  // Leaves blending off (equation GL_FUNC_ADD), colour white, 2D texturing on, face culling off.
  void render(uint32_t time) override;

  bool isReady() const { return _ready; }
  Oscilloscope& getScope() { return *_scope; }

 private:
  FloatVariable _red;     // "Red", trace colour 0..1, default 1
  FloatVariable _green;   // "Green", default 1
  FloatVariable _blue;    // "Blue", default 1
  FloatVariable _alpha;   // "Alpha", written into the pixel buffer, default 0.5
  FloatVariable _xPos;    // "xPos", left edge in unit screen coordinates, default 0.4
  FloatVariable _yPos;    // "yPos", top edge, default 0.4
  FloatVariable _width;   // "Width", default 0.4
  FloatVariable _height;  // "Height", default 0.4
  std::unique_ptr<Oscilloscope> _scope;
  bool _ready = false;    // the capture was set up by start
};
