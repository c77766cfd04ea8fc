#include "SceneFileWatch.h"

#include <sys/stat.h>

#include "GltfSceneLoader.h"
#include "MemoryFile.h"
#include "SceneCache.h"

bool SceneFileWatch::poll() {
  SceneCache& cache = SceneCache::getInstance();
  bool changed = false;
  for (const std::string& name : cache.getFileNames()) {
    if (!GltfSceneLoader::isGltfName(name)) continue;
    const std::string path = findDataFile(name.c_str());
    struct stat info = {};
    if (path.empty() || stat(path.c_str(), &info) != 0) continue;  // being replaced: look again later
    const std::pair<int64_t, int64_t> state(int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                                            int64_t(info.st_size));
    auto found = _seen.find(path);
    if (found == _seen.end()) {
      _seen.emplace(path, state);
    } else if (found->second != state) {
      found->second = state;
      cache.forgetScene(name);
      changed = true;
    }
  }
  return changed;
}
