#include "SceneGenerator.h"

#include <filesystem>
#include <functional>

#include "SceneTextures.h"
#include "Scenes.h"

namespace scenegen {
namespace {

struct SceneEntry {
  const char* file;
  std::function<SceneBuilder(std::vector<MorphSet>&)> build;
};

const std::vector<SceneEntry>& sceneEntries() {
  static const std::vector<SceneEntry> entries = {
      {"scenes/tentacle.vdg", [](std::vector<MorphSet>&) { return buildTentacleScene(); }},
      {"scenes/mechparts.vdg", [](std::vector<MorphSet>&) { return buildMechPartsScene(); }},
      {"scenes/flower.vdg", [](std::vector<MorphSet>& morphs) { return buildFlowerScene(morphs); }},
      {"scenes/head.vdg", [](std::vector<MorphSet>&) { return buildHeadScene(); }},
      {"scenes/oscbox.vdg", [](std::vector<MorphSet>&) { return buildOscBoxScene(); }},
      {"scenes/scene1.vdg", [](std::vector<MorphSet>&) { return buildCityScene(); }},
      {"scenes/scene2.vdg", [](std::vector<MorphSet>&) { return buildGardenScene(); }},
      {"scenes/scene3.vdg", [](std::vector<MorphSet>&) { return buildMachineHallScene(); }},
  };
  return entries;
}

}  // namespace

std::vector<std::string> SceneGenerator::sceneFiles() {
  std::vector<std::string> files;
  for (const SceneEntry& e : sceneEntries()) files.push_back(e.file);
  return files;
}

std::vector<std::string> SceneGenerator::morphFiles() {
  std::vector<std::string> files;
  for (int i = 1; i <= 6; ++i) files.push_back("scenes/morphdata_blomsterblad0" + std::to_string(i) + ".vmd");
  return files;
}

bool SceneGenerator::fail(const std::string& message) {
  _error = message;
  return false;
}

bool SceneGenerator::generate(const std::string& dataDir) {
  _summaries.clear();
  _error.clear();
  std::error_code ec;
  for (const char* sub : {"/scenes", "/textures"}) {
    std::filesystem::create_directories(dataDir + sub, ec);
    if (ec) return fail("cannot create " + dataDir + sub + ": " + ec.message());
  }
  if (!writeSceneTextures(dataDir + "/textures"))
    return fail("cannot write the textures into " + dataDir + "/textures");

  for (const SceneEntry& entry : sceneEntries()) {
    std::vector<MorphSet> morphs;
    const SceneBuilder scene = entry.build(morphs);
    const std::vector<uint8_t> bytes = scene.bytes();
    const std::string path = dataDir + "/" + entry.file;
    if (!vdg::writeBytes(path, bytes)) return fail("cannot write " + path);
    _summaries.push_back({entry.file, scene.objectCount(), scene.triangleCount(), bytes.size()});
    for (const MorphSet& morph : morphs) {
      const std::string morphPath = dataDir + "/scenes/morphdata_" + morph.meshName + ".vmd";
      const std::vector<uint8_t> morphBytes = vdg::morphDataBytes(morph.frames);
      if (!vdg::writeBytes(morphPath, morphBytes)) return fail("cannot write " + morphPath);
      _summaries.push_back({"scenes/morphdata_" + morph.meshName + ".vmd", 0, 0, morphBytes.size()});
    }
  }
  return true;
}

}  // namespace scenegen
