#include "MorphDataReader.h"

#include <string>
#include <vector>

#include "ErrorReport.h"
#include "MemoryFile.h"
#include "MeshObject.h"
#include "SceneFileReader.h"

bool MorphDataReader::loadMorphData(MeshObject& mesh) {
  const std::string fileName = "data/scenes/morphdata_" + mesh.name() + ".vmd";
  MemoryFile file;
  if (!openFile(fileName.c_str(), &file)) return false;
  return readMorphFile(mesh, file, fileName);
}

bool MorphDataReader::readMorphData(MeshObject& mesh, const uint8_t* bytes, size_t size, const std::string& fileName) {
  MemoryFile file;
  if (!openBytes(bytes, size, &file)) return false;
  return readMorphFile(mesh, file, fileName);
}

bool MorphDataReader::readMorphFile(MeshObject& mesh, MemoryFile& file, const std::string& fileName) {
  SceneFileReader reader(&file);
  const size_t values = size_t(mesh.sourceVertexCount()) * 3;  // floats per frame and kind
  int32_t frames = 0;
  // Each frame holds values floats of positions and as many of normals.
  if (!reader.readInt(frames) || frames < 0 || !reader.fits(int64_t(frames) * 2, values * 4)) {
    reportErrorText(__FILE__, __LINE__, "morph data file is too short for its mesh", fileName.c_str(), false);
    return false;
  }
  std::vector<float> positions(size_t(frames) * values);
  std::vector<float> normals(size_t(frames) * values);
  for (size_t k = 0; k < size_t(frames); ++k) {
    if (!reader.readFloats(positions.data() + k * values, values) ||
        !reader.readFloats(normals.data() + k * values, values))
      return false;  // cannot happen after the size check
  }
  mesh.setMorphData(frames, std::move(positions), std::move(normals));
  return true;
}
