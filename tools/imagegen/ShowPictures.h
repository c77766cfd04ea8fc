#pragma once
// The show's pictures, drawn procedurally. Every picture is a power of two on each side, so
// textures keep their pixels, and the tiling ones repeat without seams.
#include "Canvas.h"

#include <string>
#include <vector>

class ShowPictures {
 public:
  struct Picture {
    std::string name;  // file name under data/images/
    Canvas canvas;
  };
  // All pictures of the show, in a fixed order.
  static std::vector<Picture> drawAll();

  static Canvas title();    // 1024 x 512: the title in light on black (for additive blending)
  static Canvas plasma();   // 512 x 512: a tiling colour plasma
  static Canvas grid();     // 512 x 512: a tiling neon grid on deep blue
  static Canvas rings();    // 512 x 512: concentric rings around the centre
  static Canvas credits();  // 1024 x 512: the closing lines in light on black
  static Canvas dot();      // 64 x 64: a soft white dot on black (the cloud's sprite)
};
