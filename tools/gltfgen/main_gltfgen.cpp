// rk17_gltfgen FILE.glb: writes the show's glTF scene (RingScene.h), which the build imports
// with vdgimport into the show's data.
#include <cstdio>
#include <fstream>

#include "RingScene.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: rk17_gltfgen FILE.glb\n");
    return 2;
  }
  const std::vector<uint8_t> bytes = gltfgen::ringScene();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "rk17_gltfgen: %s cannot be written\n", argv[1]);
    return 1;
  }
  return 0;
}
