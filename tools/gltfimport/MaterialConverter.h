#pragma once
// Maps glTF materials onto the engine's materials (scene file material records): base colour
// factor and texture become the diffuse colour and base map (shade model 1 with a texture, 0
// without), BLEND an opacity below 1, MASK an opacity map of the alpha cutoff. The picture's
// texture transform and coordinate set are handed back for the geometry.
#include <array>
#include <string>
#include <vector>

#include "GltfImporter.h"
#include "VdgWriter.h"

namespace tinygltf {
class Model;
}

namespace gltfimport {

struct MaterialInfo {
  vdg::MaterialRecord record;
  int uvSet = 0;                          // TEXCOORD_n of the base map
  std::array<double, 6> uvMatrix{1, 0, 0, 1, 0, 0};  // u' = a u + c v + e, v' = b u + d v + f (glTF space)
  bool doubleSided = false;
  bool invisible = false;                 // MASK whose cutoff removes every pixel
};

class MaterialConverter {
 public:
  MaterialConverter(const tinygltf::Model& model, const ImportOptions& options, ImportResult& result)
      : _model(model), _options(options), _result(result) {}

  // Material index (-1: glTF's default material) into info with the given scene file id. Pictures
  // it uses are added to the result once. False with error for a missing or undecodable picture.
  bool convert(int index, int32_t id, MaterialInfo& info, std::string& error);

 private:
  // The file name of image index in the result (added at its first use); empty with error.
  std::string pictureName(int image, std::string& error);
  // Adds what the engine cannot follow of sampler index (wrap and filter modes) to the skipped.
  void reportSampler(int sampler, const std::string& label);

  const tinygltf::Model& _model;
  const ImportOptions& _options;
  ImportResult& _result;
  std::vector<std::string> _pictureNames;  // per glTF image, once added
};

}  // namespace gltfimport
