// Every glTF file of Debian's assimp-testmodels either imports or is refused with a clear reason
// that names the file, and none crashes (the sanitizer build runs this too). A few are checked for
// what they must give.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "GltfImporter.h"

namespace fs = std::filesystem;

namespace {

const char* const kModels = "/usr/share/assimp/models";

bool readWhole(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

TEST(GltfTestModels, EveryFileImportsOrIsRefusedWithAReason) {
  if (!fs::is_directory(kModels)) GTEST_SKIP() << "assimp-testmodels is not installed";
  std::map<std::string, std::string> outcomes;  // file name -> "" (imported) or the error
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kModels)) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".gltf" && extension != ".glb") continue;
    const std::string path = entry.path().string();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWhole(path, bytes)) << path;
    gltfimport::ImportOptions options;
    options.sceneName = entry.path().stem().string();
    gltfimport::ImportResult result;
    std::string error;
    if (gltfimport::GltfImporter::importBytes(bytes, path, readWhole, options, result, error)) {
      EXPECT_GT(result.scene.size(), 19u) << path;
      outcomes[entry.path().lexically_relative(kModels).string()] = "";
    } else {
      EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
      EXPECT_GT(error.size(), path.size() + 10) << error;
      EXPECT_TRUE(result.scene.empty()) << path;
      outcomes[entry.path().lexically_relative(kModels).string()] = error.substr(path.size() + 2);
    }
  }
  ASSERT_GE(outcomes.size(), 40u);
  const std::map<std::string, std::string> expected = {
      {"glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", ""},
      {"glTF2/simple_skin/simple_skin.gltf", ""},
      {"glTF2/glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf", ""},
      {"glTF2/draco/2CylinderEngine.gltf", "requires the extension KHR_draco_mesh_compression"},
      {"glTF2/RecursiveNodes/RecursiveNodes.gltf", "cycle"},
      {"glTF2/IndexOutOfRange/IndexOutOfRange.gltf", "out of range"},
      {"glTF2/MissingBin/BoxTextured.gltf", "cannot read"},
      {"glTF/TwoBoxes/TwoBoxes.gltf", "is not glTF 2.x"},
  };
  for (const auto& [file, wanted] : expected) {
    auto found = outcomes.find(file);
    ASSERT_NE(found, outcomes.end()) << file;
    if (wanted.empty())
      EXPECT_EQ(found->second, "") << file;
    else
      EXPECT_NE(found->second.find(wanted), std::string::npos) << file << ": " << found->second;
  }
}

}  // namespace
