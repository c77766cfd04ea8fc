// libFuzzer target: the glTF importer on arbitrary bytes (as .gltf text or .glb), all in memory:
// external files are never found, so nothing is read or written. The importer must refuse broken
// input with a message and never read out of bounds or allocate without bound.
#include <cstdint>
#include <string>
#include <vector>

#include "GltfImporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const gltfimport::FileReader noFiles = [](const std::string&, std::vector<uint8_t>&) { return false; };
  gltfimport::ImportOptions options;
  options.sceneName = "fuzz";
  gltfimport::ImportResult result;
  std::string error;
  gltfimport::GltfImporter::importBytes(bytes, "fuzz.gltf", noFiles, options, result, error);
  return 0;
}
