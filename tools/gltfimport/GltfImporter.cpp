#include "GltfImporter.h"

#include <tiny_gltf.h>

#include "ModelLoader.h"
#include "SceneAssembler.h"

namespace gltfimport {

bool GltfImporter::isValidRate(int rate) { return rate >= 1 && rate <= 100 && 100 % rate == 0; }

bool GltfImporter::importBytes(std::vector<uint8_t> bytes, const std::string& fileName,
                               const FileReader& reader, const ImportOptions& options, ImportResult& result,
                               std::string& error) {
  result = ImportResult{};
  tinygltf::Model model;
  std::string why;
  bool ok = ModelLoader::load(bytes, fileName, reader, model, why);
  bytes.clear();
  bytes.shrink_to_fit();
  if (ok) {
    ImportOptions effective = options;
    if (!std::isfinite(effective.scale) || effective.scale <= 0) {
      why = "the scale must be a positive number";
      ok = false;
    } else {
      SceneAssembler assembler(model, effective, result);
      ok = assembler.run(why);
    }
  }
  if (!ok) {
    result = ImportResult{};
    error = fileName + ": " + why;
  }
  return ok;
}

}  // namespace gltfimport
