#pragma once
// "Tiles": the linked effect's picture, rendered into a 512 x 512 buffer, cut into a 3 x 3 grid
// of tiles. Tile k (rows bottom to top, columns left to right) stays whole until 0.02 x p passes
// 0.6 x k; then it turns, shrinks about its centre and fades out.
#include "PostEffect.h"

class Tiles : public PostEffect {
 public:
  static constexpr int kTileCount = 9;

  // Needs a current GL context (the buffer).
  Tiles();

  // Blends the nine tiles over the screen ((GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)) in the colour
  // ("Red", "Green", "Blue") with each tile's own alpha. Leaves blending off, depth test on,
  // colour (1, 1, 1, 1) (glColor3f), 2D texturing on, face culling off, both matrices
  // as they were and the model-view matrix current. Nothing is drawn when the buffer does not
  // exist.
  void render(uint32_t time) override;

  // Growth of tile k at phase p: max(1 + 0.02 p - start[k], 1) (1 while the tile is whole).
  float growthAt(int tile, float phase) const;

 private:
  FloatVariable _rotSpeed;   // "RotSpeed": degrees = RotSpeed x (growth - 1) x 100; default 0.5
  FloatVariable _fadeSpeed;  // "FadeSpeed": alpha = 1 - (growth - 1) x FadeSpeed x 10; default 0.5
  PBuffer _buffer;           // 512 x 512 input picture
  float _start[kTileCount];  // phase-scaled start of each tile: 0.6 x k
};
