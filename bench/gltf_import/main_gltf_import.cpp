// Prints the figures of importing a large glTF file: a generated .glb of a 708 x 708 vertex grid
// (999,698 triangles; positions, normals, coordinates, 32-bit indices) on a node animated for
// 10 s (301 translation and rotation keys), imported by vdgimport and read by Debian's
// `assimp info` (when on PATH) in child processes, each with its wall time and peak resident
// memory; then the load time of the scene file vdgimport wrote (median of three, no textures).
// Usage: bench_gltf_import [FOLDER] (default: a new folder under /tmp, removed afterwards).
// Peak memory is the children's maximum resident set size, which includes the few MiB this
// program holds when it starts them.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ErrorReport.h"
#include "GlbBuilder.h"
#include "SceneLoaderVDG.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct ChildRun {
  int status = -1;
  double seconds = 0;
  long peakKiB = 0;
};

ChildRun runChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  ChildRun run;
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return run;
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  struct rusage usage = {};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKiB = usage.ru_maxrss;
  return run;
}

// The .glb bytes of the benchmark scene.
std::vector<uint8_t> makeGlb() {
  const int side = 708;
  gltfgen::GlbBuilder glb;
  std::vector<float> positions, normals, uvs;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      positions.insert(positions.end(), {x * 0.01f, y * 0.01f, 0.1f * std::sin(x * 0.05f) * std::cos(y * 0.05f)});
      normals.insert(normals.end(), {0, 0, 1});
      uvs.insert(uvs.end(), {x / float(side - 1), y / float(side - 1)});
    }
  const int position = glb.addFloats(positions, "VEC3");
  const int normal = glb.addFloats(normals, "VEC3");
  const int uv = glb.addFloats(uvs, "VEC2");
  std::vector<uint32_t> indices;
  for (int y = 0; y + 1 < side; ++y)
    for (int x = 0; x + 1 < side; ++x) {
      const uint32_t i = uint32_t(y * side + x);
      indices.insert(indices.end(), {i, i + 1, i + uint32_t(side) + 1, i, i + uint32_t(side) + 1, i + uint32_t(side)});
    }
  const int index = glb.addIndices(indices);
  std::vector<float> times, translations, rotations;
  for (int k = 0; k <= 300; ++k) {
    const float t = k / 30.0f;
    times.push_back(t);
    translations.insert(translations.end(), {std::sin(t), 0, 0});
    rotations.insert(rotations.end(), {0, std::sin(t * 0.5f), 0, std::cos(t * 0.5f)});
  }
  const std::string time = std::to_string(glb.addFloats(times, "SCALAR"));
  const std::string move = std::to_string(glb.addFloats(translations, "VEC3"));
  const std::string turn = std::to_string(glb.addFloats(rotations, "VEC4"));
  glb.set("scenes", "[{\"nodes\":[0]}]");
  glb.add("nodes", "{\"name\":\"grid\",\"mesh\":0}");
  glb.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(position) +
                        ",\"NORMAL\":" + std::to_string(normal) + ",\"TEXCOORD_0\":" + std::to_string(uv) +
                        "},\"indices\":" + std::to_string(index) + "}]}");
  glb.add("animations", "{\"name\":\"move\",\"samplers\":[{\"input\":" + time + ",\"output\":" + move +
                            "},{\"input\":" + time + ",\"output\":" + turn +
                            "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,\"path\":\"translation\"}},"
                            "{\"sampler\":1,\"target\":{\"node\":0,\"path\":\"rotation\"}}]}");
  return glb.bytes();
}

Texture* noTexture(const std::string&, const std::string&) { return nullptr; }

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/bench_gltf_XXXXXX";
  const bool own = argc < 2;
  const std::string folder = own ? (mkdtemp(pattern) ? pattern : "") : argv[1];
  if (folder.empty()) return 1;
  const std::string file = folder + "/grid.glb";
  // Generated in a child process: a child's peak memory counts the memory of the process it was
  // started from, which must stay small.
  const pid_t generator = fork();
  if (generator == 0) {
    const std::vector<uint8_t> glb = makeGlb();
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(glb.data()), std::streamsize(glb.size()));
    _exit(out ? 0 : 1);
  }
  int generated = 1;
  waitpid(generator, &generated, 0);
  std::error_code error;
  const uintmax_t fileBytes = fs::file_size(file, error);
  if (generator < 0 || generated != 0 || error) {
    std::printf("cannot write %s\n", file.c_str());
    return 1;
  }
  const double fileMiB = double(fileBytes) / (1024.0 * 1024.0);
  std::printf("input: %s, %.1f MiB, 999698 triangles, 10 s animation\n", file.c_str(), fileMiB);

  const ChildRun import = runChild({VDGIMPORT_PATH, "-q", file, folder});
  std::printf("vdgimport:   %.2f s, peak %.1f MiB (%.2f x the file), exit %d\n", import.seconds,
              import.peakKiB / 1024.0, import.peakKiB / 1024.0 / fileMiB, import.status);
  const ChildRun assimp = runChild({"assimp", "info", file});
  if (assimp.status < 0)
    std::printf("assimp info: not run (assimp-utils missing?)\n");
  else
    std::printf("assimp info: %.2f s, peak %.1f MiB (%.2f x the file), exit %d\n", assimp.seconds,
                assimp.peakKiB / 1024.0, assimp.peakKiB / 1024.0 / fileMiB, assimp.status);

  SceneLoaderVDG::setTextureLookup(noTexture);
  std::vector<double> loads;
  for (int i = 0; i < 3; ++i) {
    const Clock::time_point start = Clock::now();
    std::unique_ptr<Scene> scene = SceneLoaderVDG().read(folder + "/data/scenes/grid.vdg", "data/textures/");
    loads.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    if (!scene) std::printf("the scene file did not load\n");
  }
  std::sort(loads.begin(), loads.end());
  std::printf("load of grid.vdg (%.1f MiB): %.3f s (median of 3)\n",
              double(fs::file_size(folder + "/data/scenes/grid.vdg", error)) / (1024.0 * 1024.0), loads[1]);
  if (own) fs::remove_all(folder, error);
  return import.status == 0 ? 0 : 1;
}
