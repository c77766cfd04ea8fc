#pragma once
// The triangles of one mesh object as the importer builds them: the primitives of one glTF mesh
// that share a material, joined, with their morph target offsets and skin attributes kept for
// baking.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tinygltf {
class Model;
}

namespace gltfimport {

class AccessorReader;

struct MeshGeometry {
  std::vector<float> positions;                         // 3 per vertex, mesh space
  std::vector<float> normals;                           // 3 per vertex
  std::array<std::vector<float>, 2> uv;                 // 2 per vertex or empty; glTF's orientation
  std::vector<float> colors;                            // 3 per vertex or empty
  std::vector<std::array<int32_t, 3>> faces;            // counter-clockwise
  std::vector<std::vector<float>> targetPositions;      // per morph target: 3 offsets per vertex (or empty)
  std::vector<std::vector<float>> targetNormals;        // per morph target: 3 offsets per vertex (or empty)
  std::vector<uint32_t> joints;                         // 4 per vertex or empty
  std::vector<float> weights;                           // 4 per vertex or empty
  bool normalsComputed = false;

  size_t vertexCount() const { return positions.size() / 3; }
};

class MeshGeometryBuilder {
 public:
  MeshGeometryBuilder(const tinygltf::Model& model, const AccessorReader& reader) : _model(model), _reader(reader) {}

  // Appends primitive primitiveIndex of mesh meshIndex (triangles, strips and fans; indexed or
  // not) to geometry. Returns false with error for broken data. A primitive of another mode
  // appends nothing and sets skippedMode.
  bool append(int meshIndex, size_t primitiveIndex, MeshGeometry& geometry, bool& skippedMode,
              std::string& error) const;
  // Smooth normals for vertices without them: face normals summed over all vertices at the same
  // position, normalised.
  static void computeNormals(MeshGeometry& geometry);
  // Adds a reversed copy of every face on copies of its vertices with turned normals, so that
  // both sides show when the engine culls back faces. Morph offsets are copied along.
  static void addBackFaces(MeshGeometry& geometry);

 private:
  const tinygltf::Model& _model;
  const AccessorReader& _reader;
};

}  // namespace gltfimport
