#include "ModelLoader.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cstring>

namespace gltfimport {

namespace {

const char* const kUnderstood[] = {"KHR_lights_punctual", "KHR_texture_transform", "KHR_materials_emissive_strength"};

bool fileExists(const std::string&, void*) { return true; }  // the read reports what is missing
std::string expandPath(const std::string& path, void*) { return path; }

bool readWholeFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
  const FileReader& reader = *static_cast<const FileReader*>(user);
  if (!reader(path, *out)) {
    if (err) *err += "cannot read " + path + "\n";
    return false;
  }
  return true;
}

bool writeWholeFile(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

// Keeps the picture's file bytes; decoding waits until a material needs the picture.
bool keepPicture(tinygltf::Image* image, const int, std::string*, std::string*, int, int, const unsigned char* bytes,
                 int size, void*) {
  if (size > 0) image->image.assign(bytes, bytes + size);
  image->as_is = true;
  return true;
}

std::string folderOf(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash);
}

std::string firstLine(const std::string& text) {
  const size_t end = text.find('\n');
  return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

bool ModelLoader::load(const std::vector<uint8_t>& bytes, const std::string& fileName, const FileReader& reader,
                       tinygltf::Model& model, std::string& error) {
  if (bytes.size() > 0xFFFFFFF0u) {
    error = "file is larger than 4 GiB";
    return false;
  }
  tinygltf::TinyGLTF parser;
  tinygltf::FsCallbacks callbacks{fileExists, expandPath, readWholeFile, writeWholeFile,
                                  const_cast<FileReader*>(&reader)};
  parser.SetFsCallbacks(callbacks);
  parser.SetImageLoader(keepPicture, nullptr);
  std::string err, warn;
  const bool binary = bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0;
  const std::string folder = folderOf(fileName);
  bool ok = false;
  if (binary) {
    ok = parser.LoadBinaryFromMemory(&model, &err, &warn, bytes.data(), unsigned(bytes.size()), folder);
  } else {
    ok = parser.LoadASCIIFromString(&model, &err, &warn, reinterpret_cast<const char*>(bytes.data()),
                                    unsigned(bytes.size()), folder);
  }
  if (!ok) {
    // tinygltf stops at the compressed accessors before the required extensions can be checked.
    const std::string text(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 1 << 20));
    for (const char* compression : {"KHR_draco_mesh_compression", "EXT_meshopt_compression"})
      if (text.find("\"extensionsRequired\"") != std::string::npos && text.find(compression) != std::string::npos) {
        error = std::string("requires the extension ") + compression + ", which is not supported (compressed geometry)";
        return false;
      }
    error = "not a readable glTF 2.0 file: " + firstLine(err.empty() ? warn : err);
    return false;
  }
  if (model.asset.version.compare(0, 2, "2.") != 0) {
    error = "asset version " + model.asset.version + " is not glTF 2.x";
    return false;
  }
  for (const std::string& required : model.extensionsRequired) {
    bool known = false;
    for (const char* name : kUnderstood) known = known || required == name;
    if (!known) {
      const bool compression = required == "KHR_draco_mesh_compression" || required == "EXT_meshopt_compression" ||
                               required == "KHR_meshopt_compression";
      error = "requires the extension " + required + ", which is not supported" +
              (compression ? " (compressed geometry)" : "");
      return false;
    }
  }
  return true;
}

}  // namespace gltfimport
