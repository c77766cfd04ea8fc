#pragma once
// Parses glTF JSON or binary glTF with tinygltf. Pictures are kept as their file bytes (not
// decoded); external files come through the importer's FileReader. Required extensions other than
// the ones the importer understands refuse the file, naming the extension.
#include <string>
#include <vector>

#include "GltfImporter.h"

namespace tinygltf {
class Model;
}

namespace gltfimport {

class ModelLoader {
 public:
  // False with error (without the file name) when the bytes are not a usable glTF 2.0 file.
  static bool load(const std::vector<uint8_t>& bytes, const std::string& fileName, const FileReader& reader,
                   tinygltf::Model& model, std::string& error);
};

}  // namespace gltfimport
