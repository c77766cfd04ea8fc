#pragma once
// "RotoZoom": the linked effect's picture, rendered into a 512 x 512 buffer, drawn over the
// whole screen through a texture matrix that zooms it (factor 5 sin(0.1 p - pi/2) + 5, at least
// 1e-7) and turns it ("RotSpeed" x p x 20 degrees) about its centre; the picture repeats.
#include "PostEffect.h"

class RotoZoom : public PostEffect {
 public:
  // Needs a current GL context (the buffer).
  RotoZoom();

  // Replaces the screen with the buffer's picture (blending (GL_ONE, GL_ZERO)) in the colour
  // ("Red", "Green", "Blue", "Alpha"). Leaves blending off, depth test on, colour (1, 1, 1, 1)
  // (glColor3f), 2D texturing on, face culling off, every matrix as it was and the
  // model-view matrix current. Nothing is drawn when the buffer does not exist.
  void render(uint32_t time) override;

  // The texture zoom factor at phase p.
  static float zoomAt(float phase);

 private:
  FloatVariable _rotSpeed;  // "RotSpeed": turn rate, degrees = RotSpeed x p x 20; default 0.5
  PBuffer _buffer;          // 512 x 512 input picture
};
