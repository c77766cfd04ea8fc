#pragma once
// Reads a mesh's morph data file "data/scenes/morphdata_<mesh name>.vmd": int32 frame count M,
// then per frame the mesh's V positions and V normals (3 float32 each), V being the mesh's
// vertex count. A missing file is silent; a file too short for M frames of the mesh is reported
// and gives the mesh no morph data.
#include <cstddef>
#include <cstdint>
#include <string>

class MeshObject;
class MemoryFile;

class MorphDataReader {
 public:
  // True when morph data was read and set on mesh.
  static bool loadMorphData(MeshObject& mesh);
  // The same from the bytes of a morph data file made in memory; fileName names it in reports.
  static bool readMorphData(MeshObject& mesh, const uint8_t* bytes, size_t size, const std::string& fileName);

 private:
  static bool readMorphFile(MeshObject& mesh, MemoryFile& file, const std::string& fileName);
};
