#pragma once
// "Cloud": up to 2500 round sprites drifting along straight random paths, blended additively,
// each drawn twice: flat at depth 0 (immediate mode) and at its own depth (vertex arrays).
#include <cstdint>

#include "Effect.h"
#include "FloatVariable.h"

class Texture;

class Cloud : public Effect {
 public:
  static constexpr int kSprites = 2500;
  // The sprite picture, loaded through the texture manager (the build draws it).
  static constexpr const char* kDotImage = "data/images/dot.png";

  // Draws the random paths; loads the dot picture.
  Cloud();

  // Loads the dot picture again when it was missing at construction.
  void start(uint32_t time) override;
  // Nothing without the dot picture. Leaves texturing, blending (GL_SRC_ALPHA, GL_ONE) and depth
  // test on, depth writes on, lighting off, the model-view matrix current.
  void render(uint32_t time) override;

  // Draws both copies of the sprites in one call (default on, unless RK17_CLOUD_LITERAL=1 is set
  // in the environment); off: the flat copies one by one, then the deep ones, as literally
  // described. Both give the same picture.
  static void setFastPath(bool on);
  static bool isFastPath();

  // Sprites drawn for "Num" = num: truncate(2500 num), bounded to 0 .. 2500.
  static int spriteCount(float num);
  // Sprites drawn by the last render (0 when nothing was drawn).
  int getDrawnSprites() const { return _drawn; }

 private:
  // The fast path's drawing of the first n sprites' flat and deep copies (filled in already),
  // halfSize their half size, eyeDistance the cloud's distance from the eye.
  void drawBothCopies(int n, float halfSize, float eyeDistance);

  FloatVariable _red;       // "Red": default 0.1
  FloatVariable _green;     // "Green": default 0.1
  FloatVariable _blue;      // "Blue": default 0.1
  FloatVariable _alpha;     // "Alpha": default 0.3
  FloatVariable _x;         // "X": spread of the paths, default 0.5
  FloatVariable _y;         // "Y"
  FloatVariable _z;         // "Z"
  FloatVariable _depth;     // "Depth": eye distance = 600 x Depth, default 0.5
  FloatVariable _dim;       // "Dim": half size = 50 x Dim, default 0.3
  FloatVariable _num;       // "Num": fraction of the sprites drawn, default 1
  Texture* _dot = nullptr;  // shared (texture manager)
  float _paths[kSprites][6];  // start x, drift x, start y, drift y, start z, drift z
  int _drawn = 0;
};
