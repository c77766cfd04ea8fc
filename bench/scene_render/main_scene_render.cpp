// bench_scene_render [SECONDS|<N>f] [PNG_DIR] [SCENE] [shadows [CAMERA]]: renders every generated scene
// (build/generated/data/scenes/*.vdg, by name) in an 800 x 600 window for SECONDS (default 3)
// or N frames each, the scene time advancing half a scene frame per rendered frame, and prints frames per
// second next to the clear-and-swap floor measured in the same run, with shadows off and (for
// scenes with a "Spot01" light) on, plus heap allocations per rendered frame (a counting operator
// new) and the process's CPU milliseconds per frame (llvmpipe's threads included). Materials take
// the state-cached path unless RK17_MATERIAL_LITERAL=1 is set. With PNG_DIR (absolute; "-" for
// none), writes one frame of each scene there. SCENE limits the run to that scene ("-" for all);
// "shadows" measures only the runs with shadows, CAMERA (a name) views the scenes through that
// camera where they have it. Receivers draw both shadow passes in one program
// where it reproduces the recipe unless RK17_SHADOW_LITERAL=1 is set. Run it from the build
// directory under Xvfb.
#include <SDL.h>
#include <dirent.h>
#include <epoxy/gl.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "LightObject.h"
#include "MeshObject.h"
#include "MorphDataReader.h"
#include "PBuffer.h"
#include "Scene.h"
#include "SceneLoaderVDG.h"

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct Run {
  double fps = 0.0;
  double cpuMsPerFrame = 0.0;  // the whole process (llvmpipe's threads included)
  double allocationsPerFrame = 0.0;
};

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Frames per second of clear + swap alone.
double floorFps(SDL_Window* window, double duration) {
  int frames = 0;
  const Clock::time_point start = Clock::now();
  while (seconds(start) < duration) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    ++frames;
  }
  glFinish();
  return frames / seconds(start);
}

void renderFrame(Scene& scene, float sceneTime) {
  glViewport(0, 0, kWidth, kHeight);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  scene.setTime(sceneTime);
  scene.animate();
  scene.render();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

// With a frame count (SECONDS given as "<N>f"), each measurement renders exactly N frames: the
// same work in every run, for instruction counts (perf stat) on a busy machine.
int gFixedFrames = 0;

Run measure(SDL_Window* window, Scene& scene, double duration) {
  for (int i = 0; i < 5; ++i) {  // warm up: shaders, textures, first-use allocations
    renderFrame(scene, float(i * scene.step()));
    SDL_GL_SwapWindow(window);
  }
  glFinish();
  const long allocationsBefore = gAllocations.load();
  int frames = 0;
  const double cpuStart = processCpuSeconds();
  const Clock::time_point start = Clock::now();
  while (gFixedFrames > 0 ? frames < gFixedFrames : seconds(start) < duration) {
    renderFrame(scene, float(frames * scene.step()) * 0.5f);
    SDL_GL_SwapWindow(window);
    ++frames;
  }
  glFinish();
  Run run;
  run.fps = frames / seconds(start);
  run.cpuMsPerFrame = (processCpuSeconds() - cpuStart) * 1000.0 / frames;
  run.allocationsPerFrame = double(gAllocations.load() - allocationsBefore) / frames;
  const GLenum error = glGetError();
  if (error != GL_NO_ERROR) std::printf("  GL error 0x%x\n", error);
  return run;
}

bool writePng(const std::string& path) {
  std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = kHeight - 1; y >= 0; --y) png_write_row(png, &pixels[size_t(y) * kWidth * 4]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}

void loadMorphs(Scene& scene) {
  for (const auto& object : scene.objects())
    if (auto* mesh = dynamic_cast<MeshObject*>(object.get())) MorphDataReader::loadMorphData(*mesh);
}

}  // namespace

int main(int argc, char** argv) {
  const double duration = argc > 1 ? std::atof(argv[1]) : 3.0;
  if (argc > 1 && argv[1][0] != '\0' && argv[1][std::strlen(argv[1]) - 1] == 'f') gFixedFrames = std::atoi(argv[1]);
  const std::string pngDir = argc > 2 && std::string(argv[2]) != "-" ? argv[2] : "";
  const std::string only = argc > 3 && std::string(argv[3]) != "-" ? argv[3] : "";
  const bool shadowsOnly = argc > 4 && std::string(argv[4]) == "shadows";
  const std::string cameraName = argc > 5 ? argv[5] : "";
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::printf("SDL_Init failed: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_Window* window = SDL_CreateWindow("scene_render", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    std::printf("no GL context: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetSwapInterval(0);
  if (chdir("generated") != 0) {  // scenes and textures are read as data/...
    std::printf("run from the build directory (no generated/)\n");
    return 1;
  }
  if (!pngDir.empty() && pngDir[0] != '/') {
    std::printf("PNG_DIR must be absolute\n");
    return 1;
  }
  // Every generated scene file, by name.
  std::vector<std::string> names;
  if (DIR* dir = opendir("data/scenes")) {
    while (const dirent* entry = readdir(dir)) {
      const std::string file = entry->d_name;
      if (file.size() > 4 && file.compare(file.size() - 4, 4, ".vdg") == 0)
        names.push_back(file.substr(0, file.size() - 4));
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  std::printf("%-10s %9s %9s %7s %7s %12s %9s %7s %7s %12s\n", "scene", "floor fps", "fps", "ratio", "cpu ms",
              "allocs/frame", "shadowfps", "ratio", "cpu ms", "allocs/frame");
  for (const std::string& name : names) {
    if (!only.empty() && only != name) continue;
    Scene* scene = SceneLoaderVDG::load("data/scenes/" + name + ".vdg", "data/textures/");
    if (!scene || !scene->root()) {
      std::printf("%-10s not loaded\n", name.c_str());
      continue;
    }
    loadMorphs(*scene);
    if (!cameraName.empty()) scene->setActiveCamera(cameraName);
    scene->reapplyLights();
    const double floor = floorFps(window, 1.0);
    const Run plain = shadowsOnly ? Run() : measure(window, *scene, duration);
    LightObject* spot = scene->findLight("Spot01");
    Run shadowed;
    if (spot) {
      spot->setCastsShadow(true);
      scene->enableShadows(true);
      shadowed = measure(window, *scene, duration);
    }
    if (!pngDir.empty()) {
      renderFrame(*scene, float(scene->frameCount() * scene->step()) * 0.3f);
      writePng(pngDir + "/" + name + ".png");
      SDL_GL_SwapWindow(window);
    }
    if (spot) {
      scene->enableShadows(false);
      spot->setCastsShadow(false);
    }
    std::printf("%-10s %9.0f %9.1f %7.3f %7.2f %12.2f", name.c_str(), floor, plain.fps, plain.fps / floor,
                plain.cpuMsPerFrame, plain.allocationsPerFrame);
    if (spot)
      std::printf(" %9.1f %7.3f %7.2f %12.2f\n", shadowed.fps, shadowed.fps / floor, shadowed.cpuMsPerFrame,
                  shadowed.allocationsPerFrame);
    else
      std::printf(" %9s\n", "-");
    std::fflush(stdout);
  }
  return 0;
}
