// libFuzzer target: the morph data reader and the morph step. The first four bytes choose the
// mesh (vertex count 0..7), the morph start frame, rate and loop flag; the rest is the morph data
// file, handed to the reader through the data pack extractor hook (no file is written).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ErrorReport.h"
#include "MemoryFile.h"
#include "MeshObject.h"
#include "MorphDataReader.h"
#include "Scene.h"

namespace {

const char* const kEntry = "data/scenes/morphdata_m.vmd";
const uint8_t* gData = nullptr;
size_t gSize = 0;

int extractInput(const char*, const char*, const char* entryName, uint8_t** data, uint32_t* size) {
  if (std::strcmp(entryName, kEntry) != 0) return 0;
  *data = static_cast<uint8_t*>(std::malloc(gSize ? gSize : 1));
  if (gSize) std::memcpy(*data, gData, gSize);
  *size = uint32_t(gSize);
  return 1;
}

// Every report here is a finding: the reader reports short files without being fatal.
void onReport(const char* text, bool fatal) {
  if (fatal) {
    std::fprintf(stderr, "unexpected fatal report: %s\n", text);
    std::abort();
  }
}

bool setUp() {
  setReportHandler(onReport);
  setDataPack("fuzz.vdd", "");
  setPackExtractor(extractInput);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = setUp();
  (void)ready;
  if (size < 4) return 0;
  const int vertexCount = data[0] % 8;
  const int32_t startFrame = int8_t(data[1]);
  const float rates[] = {1.0f, 0.5f, 2.5f, 0.0f, -1.0f, 1e9f, 0.25f, 3.0f};
  const float rate = rates[data[2] % 8];
  const bool loop = data[3] & 1;
  gData = data + 4;
  gSize = size - 4;

  Scene scene;
  scene.addMaterial(std::unique_ptr<Material>(new Material(1, "m")));
  auto mesh = std::unique_ptr<MeshObject>(new MeshObject(1, "m"));
  std::vector<MeshObject::Vertex> vertices(static_cast<size_t>(vertexCount));
  for (int i = 0; i < vertexCount; ++i) vertices[size_t(i)].position = Vector3(float(i), float(i % 2), 0.0f);
  std::vector<MeshObject::Face> faces;
  if (vertexCount >= 3) faces.push_back({0, 1, 2});
  mesh->setVertices(std::move(vertices));
  mesh->setFaces(std::move(faces));
  mesh->setMaterialId(1);
  MeshObject* const target = mesh.get();
  scene.addObject(std::move(mesh), -1);
  scene.finish();
  scene.setMorphTiming(startFrame, rate, loop);

  MorphDataReader::loadMorphData(*target);
  const float times[] = {-3.0f, 0.0f, 0.5f, 1.0f, 7.25f, 100.0f, 1e12f};
  for (float t : times) target->animate(int(t > 1e9f ? 1e9f : t), t - float(int(t > 1e9f ? 1e9f : t)));
  return 0;
}
