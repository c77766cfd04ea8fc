// rk17_imagegen: writes the program's own pictures.
//   rk17_imagegen loading OUTPUT.png   the loading picture (800 x 600, 8-bit RGB)
//   rk17_imagegen show FOLDER          the show's pictures (title.png, plasma.png, ...) into FOLDER
#include "LoadingPicture.h"
#include "ShowPictures.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "loading") == 0) {
    if (!LoadingPicture::draw().savePng(argv[2])) {
      std::fprintf(stderr, "rk17_imagegen: could not write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "show") == 0) {
    for (const ShowPictures::Picture& picture : ShowPictures::drawAll()) {
      const std::string path = std::string(argv[2]) + "/" + picture.name;
      if (!picture.canvas.savePng(path)) {
        std::fprintf(stderr, "rk17_imagegen: could not write %s\n", path.c_str());
        return 1;
      }
    }
    return 0;
  }
  std::fprintf(stderr, "usage: rk17_imagegen loading OUTPUT.png\n       rk17_imagegen show FOLDER\n");
  return 2;
}
