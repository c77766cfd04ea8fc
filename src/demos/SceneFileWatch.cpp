#include "SceneFileWatch.h"

#include <filesystem>
#include <system_error>

#include "GltfSceneLoader.h"
#include "MemoryFile.h"
#include "SceneCache.h"

bool SceneFileWatch::poll() {
  bool changed = false;
  for (const std::string& name : GltfSceneLoader::namesRead()) {
    const std::string path = findDataFile(name.c_str());
    if (path.empty()) continue;
    // Time written and size; a file being replaced is looked at again later.
    std::error_code error;
    const auto written = std::filesystem::last_write_time(path, error);
    if (error) continue;
    const auto size = std::filesystem::file_size(path, error);
    if (error) continue;
    const std::pair<int64_t, int64_t> state(int64_t(written.time_since_epoch().count()), int64_t(size));
    auto found = _seen.find(path);
    if (found == _seen.end()) {
      _seen.emplace(path, Seen{state, false});
    } else if (found->second.state != state) {
      found->second = Seen{state, true};  // still being written, maybe: wait one look
    } else if (found->second.settling) {
      found->second.settling = false;
      SceneCache::getInstance().forgetScene(name);
      changed = true;
    }
  }
  return changed;
}
