// libFuzzer target: the scene file loader on arbitrary bytes, then time, animation and cloning
// on the scene it gives. The bytes reach the loader through the data pack extractor hook, so no
// file is written; textures come from a fixed pair of image-less stand-ins, so no GL is needed.
// The loader's intended fatal reports (unknown chunk tag, "No Material for mesh", "Geometry input
// is broken") jump back here instead of ending the process.
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ErrorReport.h"
#include "MemoryFile.h"
#include "SceneLoaderVDG.h"
#include "Texture.h"

namespace {

const char* const kEntry = "fuzz/scene.vdg";
const uint8_t* gData = nullptr;
size_t gSize = 0;
std::jmp_buf gFatal;
bool gArmed = false;

int extractInput(const char*, const char*, const char* entryName, uint8_t** data, uint32_t* size) {
  if (std::strcmp(entryName, kEntry) != 0) return 0;
  *data = static_cast<uint8_t*>(std::malloc(gSize ? gSize : 1));
  if (gSize) std::memcpy(*data, gData, gSize);
  *size = uint32_t(gSize);
  return 1;
}

void onReport(const char*, bool fatal) {
  if (fatal && gArmed) std::longjmp(gFatal, 1);
}

// Names starting with 'x' are "not found"; all others share one texture without an image.
Texture* standInTexture(const std::string& name, const std::string&) {
  static Texture texture(GL_TEXTURE_2D, GL_RGBA);
  return !name.empty() && name[0] == 'x' ? nullptr : &texture;
}

bool setUp() {
  setReportHandler(onReport);
  setDataPack("fuzz.vdd", "");
  setPackExtractor(extractInput);
  SceneLoaderVDG::setTextureLookup(standInTexture);
  return true;
}

void exercise(Scene& scene) {
  const float end = float(scene.frameCount()) * float(scene.step());
  const float times[] = {-7.0f, 0.0f, end * 0.5f + 0.25f, end, end + 1.0f, 3.0e9f};
  for (int loop = 0; loop < 2; ++loop) {
    scene.setLoop(loop == 1);
    for (float t : times) {
      scene.setTime(t);
      scene.animate();
    }
  }
  if (scene.root()) std::unique_ptr<SceneObject> copy = scene.root()->clone();
  scene.enableShadows(true);
  scene.setActiveCamera("Camera01");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = setUp();
  (void)ready;
  gData = data;
  gSize = size;
  // On the heap so that it can release the half-built scene after a fatal report jumps back.
  SceneLoaderVDG* const loader = new SceneLoaderVDG();
  if (setjmp(gFatal) == 0) {
    gArmed = true;
    std::unique_ptr<Scene> scene = loader->read(kEntry, "data/textures/");
    gArmed = false;
    if (scene) exercise(*scene);
  }
  gArmed = false;
  delete loader;
  return 0;
}
