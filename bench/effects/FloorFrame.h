#pragma once
// The least GL work of a post-effect frame of Blur or DOF with the same buffers: the linked
// effect captured into a 1024 x 1024 buffer, quadsPerPass full 512 x 512 quads per pass whose
// program fetches one texel each (the first of each pass into a scratch buffer, redirected
// inside the pass's target as the split passes do, the last into the target), and one quad over
// the window sampling the last target and the capture once each. What any implementation that
// keeps these buffers and passes must at least do, for comparison with the real frame.
#include <cstdint>

#include "Effect.h"
#include "PBuffer.h"

class FloorFrame : public Effect {
 public:
  // linked: drawn into the capture each update (not owned); passes: 1 to 4.
  FloorFrame(Effect* linked, int passes, int quadsPerPass);
  // The linked effect started in the window and in the capture.
  void start(uint32_t time) override;
  void update(uint32_t time) override;
  void render(uint32_t time) override;

 private:
  // One full quad over the current size x size target reading source at ratio x the pixel.
  void fetchQuad(GLuint source, int ratio, int size);

  Effect* _linked;
  int _passes;
  int _quadsPerPass;
  PBuffer _capture, _a, _b, _scratch;
  PBuffer* _result = nullptr;
  GLuint _fetch = 0;  // one texel fetch per pixel
  GLint _ratio = -1;
  GLuint _compose = 0;  // one sample of each picture
};
