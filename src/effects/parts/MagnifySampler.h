#pragma once
// A sampler with the mipmapped image textures' settings (linear magnification, repeat in both
// directions) but plain linear minification. Where a draw magnifies such a texture at every pixel,
// GL samples level 0 with the magnification filter either way, so the picture is the same, and
// llvmpipe skips the level-of-detail work of the mipmap filter.
#include <epoxy/gl.h>

class MagnifySampler {
 public:
  // The sampler when the texture bound to GL_TEXTURE_2D of the active unit has exactly the
  // settings it reproduces apart from minification (GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
  // GL_REPEAT, GL_REPEAT); 0 otherwise or without sampler objects. Made at first use in each
  // window context; the caller binds it to the unit for its draw and binds 0 afterwards.
  static GLuint forBoundTexture();
};
