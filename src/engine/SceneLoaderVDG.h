#pragma once
// Reads .vdg scene files into Scenes. Files are untrusted: every count is checked against the
// bytes left, strings keep at most SceneFileReader::kMaxStringLength bytes, and a truncated or
// broken chunk is reported with the file and chunk named and gives no scene. An unknown chunk tag
// is a fatal "assertion failed" report, as are a mesh without its material ("No Material for
// mesh") and mismatched geometry counts ("Geometry input is broken").
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MemoryFile.h"
#include "Scene.h"
#include "SceneFileReader.h"

class MeshObject;
class Texture;

class SceneLoaderVDG {
 public:
  // Looks a texture file name (already cut to the part after the last backslash) up in
  // directory; null when it cannot be had. The default asks TextureManager for a 2D texture.
  using TextureLookup = Texture* (*)(const std::string& name, const std::string& directory);

  // The shared scene of fileName: from the scene cache when it holds the name (counting a use),
  // else read from the file and entered in the cache. Null, and nothing cached, when the file
  // cannot be opened, its version is not 1 (both silent) or it is broken (reported).
  static Scene* load(const std::string& fileName, const std::string& textureDirectory);

  // Installs the texture lookup of every later load (null restores the default); returns the
  // previous one.
  static TextureLookup setTextureLookup(TextureLookup lookup);

  SceneLoaderVDG() = default;
  SceneLoaderVDG(const SceneLoaderVDG&) = delete;
  SceneLoaderVDG& operator=(const SceneLoaderVDG&) = delete;

  // Reads fileName into a new, finished scene without the cache; null as for load. The scene
  // being built and the file belong to the loader until it returns, so a loader destroyed after
  // an interrupted read releases them.
  // A .gltf or .glb file name is imported (GltfSceneLoader). Meshes of a scene file whose names
  // start with the file's stem and a dot (the meshes vdgimport baked) get their morph data files.
  std::unique_ptr<Scene> read(const std::string& fileName, const std::string& textureDirectory);
  // Reads scene file bytes made in memory; fileName only names them in reports.
  std::unique_ptr<Scene> readBytes(const std::string& fileName, const std::vector<uint8_t>& bytes,
                                   const std::string& textureDirectory);

 private:
  // Reads the scene out of _file, which is open.
  std::unique_ptr<Scene> parse(const std::string& fileName, const std::string& textureDirectory);
  static void loadImportedMorphData(Scene& scene, const std::string& fileName);
  bool readChunks();
  bool readMaterials();
  bool readLight();
  bool readCamera();
  bool readMesh();
  bool readPlainObject();
  bool readHelper();
  // Reads the common object header into object; parentId and materialId receive their fields.
  bool readObjectHeader(SceneObject& object, int32_t& parentId, int32_t& materialId);
  Texture* findTexture(const std::string& storedName) const;
  // Reports the current chunk of the file as broken or truncated; returns false.
  bool broken();

  std::string _fileName;
  std::string _textureDirectory;
  const char* _chunk = "header";
  MemoryFile _file;
  std::unique_ptr<SceneFileReader> _reader;
  std::unique_ptr<Scene> _scene;
};
