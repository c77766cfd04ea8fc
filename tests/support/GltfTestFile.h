#pragma once
// Builds small glTF 2.0 files for tests: JSON objects are given as text per top-level array
// ("nodes", "meshes", ...), binary data goes into one buffer through the add* helpers, and the
// result is a .gltf text (buffer as a data URI) or .glb bytes.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class GltfTestFile {
 public:
  // Appends objectJson to the array key; returns its index.
  int add(const std::string& key, const std::string& objectJson);
  // Sets a top-level member to raw JSON (e.g. "extensionsUsed", "scene").
  void set(const std::string& key, const std::string& json) { _members[key] = json; }

  // A buffer view of the bytes (4-byte aligned in the buffer); returns its index.
  int addView(const std::vector<uint8_t>& bytes);
  // A FLOAT accessor of type ("SCALAR", "VEC2", "VEC3", "VEC4", "MAT4"); returns its index.
  int addFloats(const std::vector<float>& values, const std::string& type);
  int addIndices(const std::vector<uint32_t>& indices);  // UNSIGNED_INT SCALAR
  int addJoints(const std::vector<uint16_t>& joints);     // UNSIGNED_SHORT VEC4

  // A scene of one triangle-list mesh node: positions (3 per vertex), optional normals and uvs,
  // material index (-1 none); returns the mesh index.
  int addMesh(const std::vector<float>& positions, const std::vector<uint32_t>& indices,
              const std::vector<float>& normals = {}, const std::vector<float>& uvs = {}, int material = -1);

  std::string gltfText() const;
  std::vector<uint8_t> glbBytes() const;
  // Writes gltfText() (or glbBytes() for a .glb path) to path.
  bool write(const std::string& path) const;

  // An 8-bit RGBA PNG of width x height pixels (row 0 at the top).
  static std::vector<uint8_t> png(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba);

 private:
  std::string json(const std::string& bufferUri) const;

  std::map<std::string, std::vector<std::string>> _arrays;
  std::map<std::string, std::string> _members;
  std::vector<uint8_t> _buffer;
};
