// rk17_scenegen DATA_DIR [--summary]: writes the show's scenes, morph data and scene textures
// into DATA_DIR/scenes and DATA_DIR/textures. With --summary, prints one line per file.
#include <cstdio>
#include <cstring>

#include "SceneGenerator.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--summary") != 0)) {
    std::fprintf(stderr, "usage: rk17_scenegen DATA_DIR [--summary]\n");
    return 2;
  }
  scenegen::SceneGenerator generator;
  if (!generator.generate(argv[1])) {
    std::fprintf(stderr, "rk17_scenegen: %s\n", generator.error().c_str());
    return 1;
  }
  if (argc == 3)
    for (const scenegen::SceneSummary& s : generator.summaries())
      std::printf("%-40s %4zu objects %6zu triangles %8zu bytes\n", s.file.c_str(), s.objects, s.triangles, s.bytes);
  return 0;
}
