// rk17_imagegen: writes the program's own pictures.
//   rk17_imagegen loading OUTPUT.png   the loading picture (800 x 600, 8-bit RGB)
#include "LoadingPicture.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "loading") != 0) {
    std::fprintf(stderr, "usage: rk17_imagegen loading OUTPUT.png\n");
    return 2;
  }
  if (!LoadingPicture::draw().savePng(argv[2])) {
    std::fprintf(stderr, "rk17_imagegen: could not write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
