// Prints the time to read and finish scene files without the cache (median of several loads).
// Usage: bench_scene_load [FILE.vdg...]; without files it measures a generated scene of 40
// meshes x 2500 vertices with normals and two coordinate sets, and 40 helpers with 600-frame
// tracks. Textures are not loaded (every texture lookup answers "not found" silently).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ErrorReport.h"
#include "SceneLoaderVDG.h"
#include "VdgWriter.h"

namespace {

Texture* noTexture(const std::string&, const std::string&) { return nullptr; }
void quiet(const char*, bool fatal) {
  if (fatal) std::fprintf(stderr, "fatal report while loading\n");
}

std::string makeScene() {
  vdg::VdgWriter w(0, 600 * 160, 160);
  vdg::MaterialRecord m;
  m.id = 1;
  m.name = "m";
  w.addMaterials({m});
  for (int i = 0; i < 40; ++i) {
    vdg::ObjectHeader h;
    h.name = "helper" + std::to_string(i);
    h.id = 1000 + i;
    for (int f = 0; f < 601; ++f) {
      h.positionTrack.push_back({float(f), float(i), 0});
      h.rotationTrack.push_back({0, std::sin(f * 0.01f), 0, std::cos(f * 0.01f)});
      h.scaleTrack.push_back({1, 1, 1});
    }
    w.addHelper(h);
    vdg::MeshRecord mesh;
    mesh.header.name = "mesh" + std::to_string(i);
    mesh.header.id = i;
    mesh.header.parentId = 1000 + i;
    mesh.header.materialId = 1;
    const int side = 50;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        mesh.positions.push_back({float(x), float(y), 0});
        mesh.normals.push_back({0, 0, 1});
        mesh.uvSets[0].push_back({x / float(side), y / float(side)});
        mesh.uvSets[1].push_back({x / float(side), y / float(side)});
      }
    for (int y = 0; y + 1 < side; ++y)
      for (int x = 0; x + 1 < side; ++x) {
        const int a = y * side + x;
        mesh.faces.push_back({a, a + 1, a + side});
        mesh.faces.push_back({a + 1, a + side + 1, a + side});
      }
    w.addMesh(mesh);
  }
  const std::string path = "/tmp/bench_scene_load.vdg";
  w.writeFile(path);
  return path;
}

void measure(const std::string& path) {
  std::vector<double> ms;
  size_t objects = 0;
  for (int run = 0; run < 7; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<Scene> scene = SceneLoaderVDG().read(path, "data/textures/");
    const auto end = std::chrono::steady_clock::now();
    if (!scene) {
      std::printf("%s: not loaded\n", path.c_str());
      return;
    }
    objects = scene->objects().size();
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(ms.begin(), ms.end());
  FILE* file = std::fopen(path.c_str(), "rb");
  long bytes = 0;
  if (file) {
    std::fseek(file, 0, SEEK_END);
    bytes = std::ftell(file);
    std::fclose(file);
  }
  std::printf("%s: %ld bytes, %zu objects, load median %.2f ms (min %.2f, max %.2f)\n", path.c_str(), bytes, objects,
              ms[ms.size() / 2], ms.front(), ms.back());
}

}  // namespace

int main(int argc, char** argv) {
  setReportHandler(quiet);
  SceneLoaderVDG::setTextureLookup(noTexture);
  if (argc < 2) {
    measure(makeScene());
    return 0;
  }
  for (int i = 1; i < argc; ++i) measure(argv[i]);
  return 0;
}
