#pragma once
// Whole-texture refills of level 0 of a 2D texture, usable during rendering.
class Texture;

class TextureTools {
 public:
  // Binds texture and sets all its width x height texels to zero. A null texture is the fatal
  // report "Illegal texture".
  static void clearTexture(Texture* texture);
  // Binds texture and sets every texel to one byte v in all four channels (grey noise with
  // matching alpha), v = the low 8 bits of the next value of the shared random sequence, texels
  // in row order. A null texture is the fatal report "Illegal texture".
  static void fillNoise(Texture* texture);
};
