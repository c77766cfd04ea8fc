// bench_effects [SECONDS_PER_CASE|<N>f [CASE...]]: draws each case (one or more effects, updated and
// rendered as the frame loop does) into an 800 x 600 window for SECONDS_PER_CASE (default 2)
// and prints its frames per second, wall and CPU milliseconds per frame, with the clear-and-swap floor
// measured before and after the cases. Run it under a display (xvfb-run). The pictures are read
// from the build's generated data folder.
#include <SDL.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Blur.h"
#include "Cloud.h"
#include "DemoEngine.h"
#include "DemoSettings.h"
#include "EffectList.h"
#include "EffectTable.h"
#include "FloorFrame.h"
#include "GridExp.h"
#include "Image.h"
#include "IntVariable.h"
#include "MemoryFile.h"

namespace {

struct Case {
  const char* name;
  // Inserts and configures the effects into the list; returns them in drawing order.
  std::function<std::vector<Effect*>(EffectList&)> setUp;
};

void send(Effect* effect, int type, const std::string& text, float value = 0.0f) {
  EffectEvent event;
  event.type = type;
  event.text = text;
  event.value = value;
  effect->handleEvent(event);
}

// Writes the current value directly, as a constant written by the script ends up.
void setNumber(Effect* effect, const char* name, float value) {
  EffectVariable* variable = effect->findVariable(name);
  if (!variable) return;
  if (variable->getTypeCode() == EffectVariable::kInt)
    static_cast<IntVariable*>(variable)->setCurrentValue(uint32_t(value));
  else
    variable->setValue(value, 0);
}

Effect* insert(EffectList& list, const char* name) {
  list.insert(name);
  Effect* effect = list.find(name);
  effect->getActive().setCurrentValue(true);
  return effect;
}

// The show's plasma picture; magnify false: sampled through its mipmap filter (Image::setMagnifyPath).
Effect* plasma(EffectList& list, bool magnify = true) {
  Image::setMagnifyPath(magnify);
  Effect* image = insert(list, "Image");
  image->addString(0, "data/images/plasma.png");
  return image;
}

// Blur over the plasma picture with passes (0: no blur) and glow.
std::vector<Effect*> blurCase(EffectList& list, bool fast, int passes, bool glow, bool fetches = true,
                              bool split = true) {
  Blur::setFastPath(fast);
  Blur::setTexelFetches(fetches);
  Blur::setSplitPasses(split);
  plasma(list);
  Effect* blur = insert(list, "Blur");
  send(blur, 2, "Image");
  setNumber(blur, "DoBlur", passes > 0 ? 1.0f : 0.0f);
  setNumber(blur, "DoGlow", glow ? 1.0f : 0.0f);
  setNumber(blur, "BlurAmount", float(passes > 0 ? passes - 1 : 0));
  return {blur};
}

// Cloud with all 2500 sprites at dot size dim ("Dim", default 0.3).
std::vector<Effect*> cloudCase(EffectList& list, bool fast, float dim) {
  Cloud::setFastPath(fast);
  Effect* cloud = insert(list, "Cloud");
  setNumber(cloud, "Dim", dim);
  return {cloud};
}

// A scene effect playing file (none: the effect brings its own scene).
std::vector<Effect*> sceneCase(EffectList& list, const char* name, const char* file) {
  Effect* effect = insert(list, name);
  if (file) effect->addString(0, file);
  if (std::strcmp(name, "Flower") == 0) {
    EffectEvent morph;
    morph.type = 15;
    morph.values[1] = 0.5f;
    effect->handleEvent(morph);
  }
  return {effect};
}

// DOF around the head scene (the scene is inserted but drawn only through DOF).
std::vector<Effect*> dofCase(EffectList& list, bool fast, int passes = 3) {
  Blur::setFastPath(fast);
  Blur::setTexelFetches(true);
  Blur::setSplitPasses(true);
  sceneCase(list, "Head", "data/scenes/head.vdg");
  Effect* dof = insert(list, "DOF");
  send(dof, 2, "Head");
  setNumber(dof, "BlurAmount", float(passes - 1));
  return {dof};
}

// Sets each (name, value) of effect.
void setNumbers(Effect* effect, std::initializer_list<std::pair<const char*, float>> values) {
  for (const auto& value : values) setNumber(effect, value.first, value.second);
}

// The show's drift section: the strands glowing through one pass across (Blur linked to Splinzor,
// the strands drawn only through it).
Effect* strands(EffectList& list) {
  Effect* splinzor = insert(list, "Splinzor");
  setNumbers(splinzor, {{"Red", 0.25f}, {"Green", 0.45f}, {"Blue", 0.9f}, {"Alpha", 0.5f}});
  return splinzor;
}
std::vector<Effect*> driftCase(EffectList& list) {
  Blur::setFastPath(true);
  Blur::setTexelFetches(true);
  Blur::setSplitPasses(true);
  strands(list);
  Effect* blur = insert(list, "Blur");
  send(blur, 2, "Splinzor");
  setNumbers(blur, {{"DoMulSub", 0.0f},
                    {"DoBlur", 1.0f},
                    {"DoGlow", 1.0f},
                    {"BlurAmount", 0.0f},
                    {"BlurOnlyX", 1.0f},
                    {"GlowStrength", 1.0f},
                    {"Subtract", 0.4f}});
  return {blur};
}

// The show's head section: the head from "Camera01", drawn only through DOF with one pass.
Effect* head(EffectList& list) {
  Effect* scene = sceneCase(list, "Head", "data/scenes/head.vdg")[0];
  send(scene, 18, "Camera01");
  return scene;
}
std::vector<Effect*> headDofCase(EffectList& list) {
  Blur::setFastPath(true);
  Blur::setTexelFetches(true);
  Blur::setSplitPasses(true);
  head(list);
  Effect* dof = insert(list, "DOF");
  send(dof, 2, "Head");
  setNumbers(dof,
             {{"BlurAmount", 0.0f}, {"BlurFactor", 0.5f}, {"Constant", 1.0f}, {"Weight1", 1.45f}, {"Weight2", 0.0f}});
  return {dof};
}

// The show's garden: Scene2 in its linear fog, alone (dof false) or drawn through DOF with the
// show's settings (two passes).
std::vector<Effect*> gardenCase(EffectList& list, bool dof) {
  Blur::setFastPath(true);
  std::vector<Effect*> scene = sceneCase(list, "Scene2", "data/scenes/scene2.vdg");
  const std::pair<const char*, float> fog[] = {
      {"Fog", 1.0f}, {"FogMode", 2.0f}, {"FogR", 0.35f}, {"FogG", 0.3f}, {"FogB", 0.45f}};
  for (const auto& value : fog) setNumber(scene[0], value.first, value.second);
  if (!dof) return scene;
  Effect* effect = insert(list, "DOF");
  send(effect, 2, "Scene2");
  const std::pair<const char*, float> settings[] = {
      {"BlurAmount", 1.0f}, {"BlurFactor", 0.5f}, {"Constant", 0.5f}, {"Weight1", 1.6f}, {"Weight2", 0.0f}};
  for (const auto& value : settings) setNumber(effect, value.first, value.second);
  return {effect};
}

// GridExp linked to Image2 showing the plasma, "Rotate" and "Shade" on, in mode (0 to 3), as the
// show's grid section draws it.
// linked false: the picture file itself as the grid's texture (event 4), sampled through its
// mipmap filter always when magnify is false (GridExp::setMagnifyPath).
std::vector<Effect*> gridShowCase(EffectList& list, int mode, bool linked = true, bool magnify = true) {
  GridExp::setMagnifyPath(magnify);
  Effect* grid = insert(list, "GridExp");
  if (linked) {
    Effect* picture = insert(list, "Image2");
    picture->addString(0, "data/images/plasma.png");
    send(grid, 2, "Image2");
  } else {
    send(grid, 4, "data/images/plasma.png");
  }
  setNumber(grid, "Rotate", 1.0f);
  setNumber(grid, "Shade", 1.0f);
  setNumber(grid, "Anim", float(mode));
  return {grid};
}

// The floor frame of the current case (owned here; its linked effect lives in the list).
std::unique_ptr<FloorFrame> gFloorFrame;

// The least GL work of a Blur or DOF frame around linked with these passes (see FloorFrame).
std::vector<Effect*> floorCase(Effect* linked, int passes, int quadsPerPass) {
  gFloorFrame = std::make_unique<FloorFrame>(linked, passes, quadsPerPass);
  return {gFloorFrame.get()};
}

std::vector<Case> cases() {
  return {
      {"floor", [](EffectList&) { return std::vector<Effect*>{}; }},
      {"image", [](EffectList& list) { return std::vector<Effect*>{plasma(list)}; }},
      // The same picture sampled through the texture's mipmap filter.
      {"image-mipmaps", [](EffectList& list) { return std::vector<Effect*>{plasma(list, false)}; }},
      {"blur-literal", [](EffectList& list) { return blurCase(list, false, 4, true); }},
      {"blur-fast", [](EffectList& list) { return blurCase(list, true, 4, true); }},
      // The fast passes in one program each instead of split through the scratch buffers.
      {"blur-unsplit", [](EffectList& list) { return blurCase(list, true, 4, true, true, false); }},
      {"blur-unsplit-4", [](EffectList& list) { return blurCase(list, true, 4, false, true, false); }},
      // The fast path with filtered samples for every tap instead of texel fetches.
      {"blur-filtered", [](EffectList& list) { return blurCase(list, true, 4, true, false); }},
      // Parts of the fast frame: capture and draw only, one pass, four passes without glow.
      {"blur-capture", [](EffectList& list) { return blurCase(list, true, 0, false); }},
      {"blur-fast-1", [](EffectList& list) { return blurCase(list, true, 1, false); }},
      {"blur-literal-1", [](EffectList& list) { return blurCase(list, false, 1, false); }},
      {"blur-fast-4", [](EffectList& list) { return blurCase(list, true, 4, false); }},
      {"blur-filtered-4", [](EffectList& list) { return blurCase(list, true, 4, false, false); }},
      // The least work of the four-pass glow frame: two one-fetch quads per pass (as the split
      // passes draw), or one.
      {"blur-floor", [](EffectList& list) { return floorCase(plasma(list), 4, 2); }},
      {"blur-floor-1q", [](EffectList& list) { return floorCase(plasma(list), 4, 1); }},
      {"gridexp",
       [](EffectList& list) {
         Effect* grid = insert(list, "GridExp");
         send(grid, 4, "data/images/plasma.png");
         return std::vector<Effect*>{grid};
       }},
      {"gridexp-linked",
       [](EffectList& list) {
         plasma(list);
         Effect* grid = insert(list, "GridExp");
         send(grid, 2, "Image");
         return std::vector<Effect*>{grid};
       }},
      // The show's grid: the plasma through Image2 on the grid, turning and shaded, in each mode.
      {"grid-show-0", [](EffectList& list) { return gridShowCase(list, 0); }},
      {"grid-show-1", [](EffectList& list) { return gridShowCase(list, 1); }},
      {"grid-show-2", [](EffectList& list) { return gridShowCase(list, 2); }},
      {"grid-show-3", [](EffectList& list) { return gridShowCase(list, 3); }},
      {"grid-file-0", [](EffectList& list) { return gridShowCase(list, 0, false); }},
      {"grid-file-1", [](EffectList& list) { return gridShowCase(list, 1, false); }},
      {"grid-file-2", [](EffectList& list) { return gridShowCase(list, 2, false); }},
      {"grid-file-3", [](EffectList& list) { return gridShowCase(list, 3, false); }},
      {"grid-file-mipmaps-2", [](EffectList& list) { return gridShowCase(list, 2, false, false); }},
      {"grid-file-mipmaps-3", [](EffectList& list) { return gridShowCase(list, 3, false, false); }},
      {"splinzor", [](EffectList& list) { return std::vector<Effect*>{insert(list, "Splinzor")}; }},
      {"cloud", [](EffectList& list) { return cloudCase(list, true, 0.3f); }},
      {"cloud-literal", [](EffectList& list) { return cloudCase(list, false, 0.3f); }},
      // Smaller dots: the cloud's cost is the area its 5000 blended dots cover.
      {"cloud-dim-0.15", [](EffectList& list) { return cloudCase(list, true, 0.15f); }},
      {"scene1", [](EffectList& list) { return sceneCase(list, "Scene1", "data/scenes/scene1.vdg"); }},
      {"head", [](EffectList& list) { return sceneCase(list, "Head", "data/scenes/head.vdg"); }},
      {"tentacle", [](EffectList& list) { return sceneCase(list, "Tentacle", nullptr); }},
      {"test3d", [](EffectList& list) { return sceneCase(list, "Test3d", "data/scenes/oscbox.vdg"); }},
      {"mech", [](EffectList& list) { return sceneCase(list, "Mech", nullptr); }},
      {"flower", [](EffectList& list) { return sceneCase(list, "Flower", "data/scenes/flower.vdg"); }},
      // Depth of field over the head scene, fast and literal; its passes at the defaults (three).
      {"dof", [](EffectList& list) { return dofCase(list, true); }},
      {"dof-literal", [](EffectList& list) { return dofCase(list, false); }},
      {"dof-1", [](EffectList& list) { return dofCase(list, true, 1); }},
      {"garden", [](EffectList& list) { return gardenCase(list, false); }},
      {"dof-garden", [](EffectList& list) { return gardenCase(list, true); }},
      // The least work of the DOF frames above: the scene captured without the vertex program,
      // two one-fetch quads per pass, one composition quad.
      {"dof-floor",
       [](EffectList& list) { return floorCase(sceneCase(list, "Head", "data/scenes/head.vdg")[0], 3, 2); }},
      // The show's two post-effect sections as the script sets them up, and their least work: one
      // one-fetch quad for the pass.
      {"drift", [](EffectList& list) { return driftCase(list); }},
      {"drift-floor", [](EffectList& list) { return floorCase(strands(list), 1, 1); }},
      {"head-dof", [](EffectList& list) { return headDofCase(list); }},
      {"head-dof-floor", [](EffectList& list) { return floorCase(head(list), 1, 1); }},
      {"dof-garden-floor", [](EffectList& list) { return floorCase(gardenCase(list, false)[0], 2, 2); }},
  };
}

// Frames per second of drawing effects for seconds; frame k is at demo time 16 k ms.
// CPU time of the whole process (the renderer's threads included): steadier than the wall
// clock on a machine shared with other work.
double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// frameCount > 0: exactly that many frames instead (seconds is ignored).
double measure(DemoEngine& engine, const std::vector<Effect*>& effects, double seconds, int frameCount,
               double* msPerFrame, double* cpuMsPerFrame) {
  for (Effect* effect : effects) send(effect, 0, "");
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = cpuSeconds();
  int frames = 0;
  double elapsed = 0.0;
  while (frameCount > 0 ? frames < frameCount : elapsed < seconds) {
    const uint32_t time = uint32_t(frames) * 16u;
    glViewport(0, 0, 800, 600);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    for (Effect* effect : effects) effect->update(time);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (Effect* effect : effects) effect->render(time);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    engine.swapBuffers();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    ++frames;
    elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  *msPerFrame = elapsed * 1000.0 / frames;
  *cpuMsPerFrame = (cpuSeconds() - cpuStart) * 1000.0 / frames;
  return frames / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  // "<N>f" (for example 20f): exactly N frames per case, for comparing the CPU time or the
  // instruction count (valgrind) of two ways on a busy machine.
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  const size_t length = argc > 1 ? std::strlen(argv[1]) : 0;
  const int frameCount = length > 1 && argv[1][length - 1] == 'f' ? std::atoi(argv[1]) : 0;
  std::vector<std::string> only(argv + (argc > 1 ? 2 : 1), argv + argc);
  if (chdir(RK17_GENERATED_DIR) != 0) {
    std::fprintf(stderr, "bench_effects: cannot enter %s\n", RK17_GENERATED_DIR);
    return 1;
  }
  // The generated pictures and scenes, and the checked-in data (vertex programs).
  setDataFolders({".", RK17_SOURCE_DIR});
  demoSettings().screenWidth = 800;
  demoSettings().screenHeight = 600;
  DemoEngine engine;
  if (!engine.create("bench_effects", 800, 600, 32, false, nullptr)) return 1;
  SDL_ShowWindow(engine.window());
  SDL_GL_SetSwapInterval(0);
  std::printf("%-16s %9s %9s %9s\n", "case", "fps", "ms/frame", "cpu ms");
  EffectList list(EffectTable::rows());
  EffectList::setCurrent(&list);
  std::vector<Case> all = cases();
  all.push_back(all.front());  // the floor again at the end
  for (const Case& c : all) {
    bool wanted = only.empty() || std::strcmp(c.name, "floor") == 0;
    for (const std::string& name : only) wanted = wanted || name == c.name;
    if (!wanted) continue;
    list.clear();
    const std::vector<Effect*> effects = c.setUp(list);
    double ms = 0.0, cpuMs = 0.0;
    const double fps = measure(engine, effects, seconds, frameCount, &ms, &cpuMs);
    std::printf("%-16s %9.1f %9.2f %9.2f\n", c.name, fps, ms, cpuMs);
    std::fflush(stdout);
    gFloorFrame.reset();
  }
  list.clear();
  EffectList::setCurrent(nullptr);
  engine.destroy();
  return 0;
}
