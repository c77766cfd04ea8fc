#pragma once
// "Image2": "Image" whose colour alpha is "Alpha" alone (pulse events set no alpha offset that
// is drawn).
#include "Image.h"

class Image2 : public Image {
 public:
  Image2();
};
