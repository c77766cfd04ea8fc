#pragma once
// Writes the show's generated 3D content into a data folder: scenes/*.vdg, the petals' morph
// data scenes/morphdata_<mesh>.vmd and the textures the scenes name under textures/.
#include <string>
#include <vector>

namespace scenegen {

struct SceneSummary {
  std::string file;  // relative to the data folder, e.g. "scenes/tentacle.vdg"
  size_t objects = 0;
  size_t triangles = 0;
  size_t bytes = 0;
};

class SceneGenerator {
 public:
  // Scene files (relative to the data folder) in the order they are written.
  static std::vector<std::string> sceneFiles();
  // Morph data files (relative to the data folder).
  static std::vector<std::string> morphFiles();

  // Creates dataDir/scenes and dataDir/textures as needed and writes everything; false, with a
  // message in error(), when a folder or file cannot be written.
  bool generate(const std::string& dataDir);
  const std::string& error() const { return _error; }
  const std::vector<SceneSummary>& summaries() const { return _summaries; }

 private:
  bool fail(const std::string& message);

  std::string _error;
  std::vector<SceneSummary> _summaries;
};

}  // namespace scenegen
