#include "GltfSceneLoader.h"

#include <map>
#include <utility>
#include <vector>

#include "ErrorReport.h"
#include "GltfImporter.h"
#include "ImageLibrary.h"
#include "MemoryFile.h"
#include "MeshObject.h"
#include "MorphDataReader.h"
#include "SceneLoaderVDG.h"
#include "TextureManager.h"

namespace {

// Reads per file name: a saved file read again gets pictures of a name of their own.
std::map<std::string, int>& readCounts() {
  static std::map<std::string, int> counts;
  return counts;
}

bool readDataFile(const std::string& name, std::vector<uint8_t>& bytes) {
  MemoryFile file;
  if (!openFile(name.c_str(), &file)) return false;
  bytes.assign(file.data(), file.data() + file.size());
  return true;
}

std::string stemOf(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  const std::string base = fileName.substr(slash == std::string::npos ? 0 : slash + 1);
  return base.substr(0, base.rfind('.'));
}

bool endsWith(const std::string& text, const char* suffix) {
  const std::string s(suffix);
  return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

}  // namespace

bool GltfSceneLoader::isGltfName(const std::string& fileName) {
  return endsWith(fileName, ".gltf") || endsWith(fileName, ".glb");
}

std::vector<std::string> GltfSceneLoader::namesRead() {
  std::vector<std::string> names;
  for (const auto& named : readCounts()) names.push_back(named.first);
  return names;
}

std::unique_ptr<Scene> GltfSceneLoader::read(const std::string& fileName, const std::string& textureDirectory) {
  const int read = readCounts()[fileName]++;
  std::vector<uint8_t> bytes;
  if (!readDataFile(fileName, bytes)) return nullptr;
  gltfimport::ImportOptions options;
  options.sceneName = stemOf(fileName);
  // Pictures are shared by name in the texture manager: the whole path keeps files of the same
  // name in different folders apart, and a count of earlier reads of the file (authoring reads a
  // saved file again) keeps its new pictures apart from the old ones.
  options.picturePrefix = "gltf_" + fileName.substr(0, fileName.rfind('.')) + (read ? "#" + std::to_string(read) : "");
  gltfimport::ImportResult result;
  std::string error;
  if (!gltfimport::GltfImporter::importBytes(std::move(bytes), fileName, readDataFile, options, result, error)) {
    reportErrorText(__FILE__, __LINE__, "glTF import failed", error.c_str(), false);
    return nullptr;
  }
  for (const gltfimport::NamedBytes& picture : result.pictures) {
    TextureManager& textures = TextureManager::getInstance();
    if (textures.findTexture(picture.name)) continue;
    const bool png = endsWith(picture.name, ".png");
    ImageData* image = ImageLibrary::decode(png ? ImageLibrary::FileType::Png : ImageLibrary::FileType::Jpeg,
                                            picture.bytes.data(), picture.bytes.size());
    Texture* texture = new Texture(GL_TEXTURE_2D, GL_RGBA);
    if (!texture->loadFromImage(image)) {
      delete texture;
      continue;  // the scene reports "Texture not found:" for it
    }
    textures.addTexture(picture.name, texture);
  }
  std::unique_ptr<Scene> scene = SceneLoaderVDG().readBytes(fileName, result.scene, textureDirectory);
  if (!scene) return nullptr;
  for (const gltfimport::NamedBytes& morph : result.morphData) {
    // "morphdata_<mesh name>.vmd"
    const std::string mesh = morph.name.substr(10, morph.name.size() - 14);
    if (MeshObject* object = dynamic_cast<MeshObject*>(scene->findObject(mesh)))
      MorphDataReader::readMorphData(*object, morph.bytes.data(), morph.bytes.size(), morph.name);
  }
  return scene;
}
