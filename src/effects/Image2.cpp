#include "Image2.h"

Image2::Image2() : Image("Image2", false) {}
