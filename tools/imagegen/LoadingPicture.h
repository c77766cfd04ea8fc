#pragma once
// The program's loading picture, drawn procedurally: a dark gradient crossed by drifting wave
// lines and a few stars, the title in a block font with a soft glow, and a "LOADING" line.
#include "Canvas.h"

class LoadingPicture {
 public:
  static constexpr int kWidth = 800;   // the demo's screen size, so nothing is distorted
  static constexpr int kHeight = 600;
  static Canvas draw();

 private:
  static void drawBackground(Canvas& canvas);
  static void drawWaves(Canvas& canvas);
  static void drawStars(Canvas& canvas);
  static void drawTitle(Canvas& canvas);
};
