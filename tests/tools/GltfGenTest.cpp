// The show's glTF scene as tools/gltfgen writes it: the importer takes all of it, with its own
// camera and lights (no default added), and its 4 s animation sampled at 25 frames a second.
#include <gtest/gtest.h>

#include <string>

#include "GltfImporter.h"
#include "RingScene.h"

namespace {

TEST(GltfGen, RingSceneImportsWholeWithItsCameraLightsAndAnimation) {
  gltfimport::ImportOptions options;
  options.sceneName = "ring";
  gltfimport::ImportResult result;
  std::string error;
  const auto noFiles = [](const std::string&, std::vector<uint8_t>&) { return false; };
  ASSERT_TRUE(gltfimport::GltfImporter::importBytes(gltfgen::ringScene(), "ring.glb", noFiles, options, result, error))
      << error;
  EXPECT_TRUE(result.skipped.empty()) << result.skipped.front();
  EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
  std::string imported;
  for (const std::string& line : result.imported) imported += line + "\n";
  EXPECT_NE(imported.find("animation 'ring': 101 frames"), std::string::npos) << imported;
  EXPECT_NE(imported.find("14 meshes with 18468 triangles"), std::string::npos) << imported;
  EXPECT_NE(imported.find("1 cameras, 2 lights"), std::string::npos) << imported;
}

}  // namespace
