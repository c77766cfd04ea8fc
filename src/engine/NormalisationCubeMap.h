#pragma once
// The cube map the DOT3 bump recipe uses to normalise its interpolated light vectors: every
// texel holds the unit direction through it, packed as rgb = direction * 0.5 + 0.5.
#include <epoxy/gl.h>

class Texture;

class NormalisationCubeMap {
 public:
  static constexpr int kSize = 32;  // texels per face edge

  // The shared map ("NormalisationCubeMap" in TextureManager), made and filled at the first
  // call. Needs a current GL context; null without one.
  static Texture* get();
  // The unit direction through texel (x, y) of face (0..5 in GL_TEXTURE_CUBE_MAP_POSITIVE_X
  // order) of a size x size map.
  static void direction(int face, int x, int y, int size, float out[3]);
};
