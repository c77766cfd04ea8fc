#pragma once
// "Mosaic": the linked effect's picture as a grid of square blocks, the enlarged texels of a
// 64 x 64 copy (the block buffer), each block carrying a small copy of the whole picture (the
// 256 x 256 detail buffer, repeated once per block). The blocks shrink from one over the whole
// screen as the phase grows: the block texture spans d = min(0.01 p + 1/64, 0.97) of the copy.
#include "BoolVariable.h"
#include "PostEffect.h"

class Mosaic : public PostEffect {
 public:
  static constexpr int kBlockCount = 64;  // texels of the block buffer along each side

  // Needs a current GL context (the buffers).
  Mosaic();

  // The block picture over the whole screen (blending off), brightened truncate("Saturation" x 10)
  // times over, then multiplied by the repeated detail picture. Leaves blending off, depth test
  // on, colour (1, 1, 1, 1), 2D texturing on, face culling off, every matrix as it was and the
  // model-view matrix current. A buffer that does not exist is not drawn.
  void render(uint32_t time) override;

  // Brightening pass with count n under a unit y-down projection (pushed and popped; the
  // model-view matrix is left identity and current): full-screen white quads blended with
  // (GL_DST_COLOR, GL_ONE), each doubling the colour below: one for each q = 2, 4, 8, ... up to n
  // and one more, with alpha (n - m) / m for m the last such q (1 when there is none). Leaves
  // blending and 2D texturing off. The depth state is used as found: with depth test and depth
  // writes on (as effects leave them), every quad after the first fails the depth test.
  static void brighten(int32_t n);
  // Fraction of the block buffer spread over the screen at phase p.
  static float spanAt(float phase);

  // Fast path (default on, unless RK17_MOSAIC_LITERAL=1 is set in the environment): the blocks
  // are brightened inside the 64 x 64 block buffer, right after the input pass, instead of over
  // the whole screen. Each block is one texel magnified without filtering and the brightening
  // works texel by texel, so the screen gets the same picture (within one step of rounding; the
  // window's alpha, which nothing reads, comes out differently) from 4096 pixels of work instead
  // of three or more full-screen quads. The count is the one at the input pass's time. Off: as
  // literally described.
  static void setFastPath(bool on);
  static bool isFastPath();

  // Samples the brightening count of the fast path, then the input pass.
  void update(uint32_t time) override;

 protected:
  // The detail buffer is brightened with count 2 before it is disabled; on the fast path the
  // block buffer with the blocks' count (in a clean state that is put back afterwards).
  void afterInput(PBuffer& buffer) override;

 private:
  FloatVariable _saturation;     // "Saturation": brightening count / 10; default 0.4
  FloatVariable _preSaturation;  // "PreSaturation": accepted, not used by the drawing; default 0
  BoolVariable _zoomCenter;      // "ZoomCenter": zoom about the picture's centre; default true
  PBuffer _detail;               // 256 x 256: the copy laid into every block
  PBuffer _block;                // 64 x 64: one texel per block
  int32_t _inputCount = 0;       // blocks' count at the last update (fast path)
  bool _brightened = false;      // the block buffer's blocks are brightened already (fast path)
};
