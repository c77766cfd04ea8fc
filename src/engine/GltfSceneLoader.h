#pragma once
// Plays .gltf and .glb files directly: the glTF importer (tools/gltfimport, the code vdgimport
// runs) makes the scene file bytes, morph data and pictures in memory; the pictures go to the
// texture manager under the names the scene file gives them, the scene file is read by
// SceneLoaderVDG and the morph data is set on its baked meshes. So the picture is the one of the
// imported files. The glTF and its external files are read through the data file interface.
#include <memory>
#include <string>
#include <vector>

#include "Scene.h"

class GltfSceneLoader {
 public:
  // Whether fileName ends in ".gltf" or ".glb".
  static bool isGltfName(const std::string& fileName);
  // The finished scene of the glTF file, or null: silently when the file cannot be opened, with
  // the report "glTF import failed" and the importer's reason when it cannot be imported.
  static std::unique_ptr<Scene> read(const std::string& fileName, const std::string& textureDirectory);
  // Every file name read so far, imported or not, in name order (what authoring watches).
  static std::vector<std::string> namesRead();
};
