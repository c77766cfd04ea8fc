#pragma once
// Builds binary glTF 2.0 files (.glb): float and index arrays go into the one binary chunk with
// their buffer views and accessors; the JSON objects are given as text per top-level array.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace gltfgen {

class GlbBuilder {
 public:
  // Appends objectJson to the top-level array key ("nodes", "meshes", ...); returns its index.
  int add(const std::string& key, const std::string& objectJson);
  // A FLOAT accessor of type ("SCALAR", "VEC3", "VEC4"); min and max are written for VEC3
  // (glTF asks for them on positions). Returns its index.
  int addFloats(const std::vector<float>& values, const std::string& type);
  int addIndices(const std::vector<uint32_t>& indices);  // UNSIGNED_INT SCALAR
  // Sets a top-level member to raw JSON.
  void set(const std::string& key, const std::string& json) { _members[key] = json; }
  std::vector<uint8_t> bytes() const;

 private:
  int addView(const void* data, size_t size);

  std::map<std::string, std::vector<std::string>> _arrays;
  std::map<std::string, std::string> _members;
  std::vector<uint8_t> _bin;
};

}  // namespace gltfgen
