#pragma once
// The GL state of a full-screen 2D overlay drawn over what earlier instances rendered.
#include <epoxy/gl.h>

class OverlayState {
 public:
  // Unit orthographic projection (model-view current and identity), depth writes and depth test
  // off, face culling off, blending on with (source, destination).
  static void begin(GLenum source, GLenum destination);
  // Blending off, depth writes and depth test on, colour (1, 1, 1, 1). Face culling stays off.
  static void end();
};
