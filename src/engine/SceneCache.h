#pragma once
// The process-wide cache of loaded scenes by file name. Scenes stay until the process ends.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "Scene.h"

class SceneCache {
 public:
  static SceneCache& getInstance();
  SceneCache(const SceneCache&) = delete;
  SceneCache& operator=(const SceneCache&) = delete;

  // The cached scene of fileName with one more use counted; null when not cached.
  Scene* findScene(const std::string& fileName);
  // Enters scene under fileName with a use count of 1 and returns it; a name already cached keeps
  // its scene (the new one is dropped and the cached one returned).
  Scene* insertScene(const std::string& fileName, std::unique_ptr<Scene> scene);
  // Uses counted for fileName; 0 when not cached.
  uint32_t getUseCount(const std::string& fileName) const;

 private:
  SceneCache() = default;

  struct Entry {
    std::unique_ptr<Scene> scene;
    uint32_t useCount;
  };
  std::map<std::string, Entry> _scenes;
};
