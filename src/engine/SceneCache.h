#pragma once
// The process-wide cache of loaded scenes by file name. Scenes stay until the process ends.
// A scene's buffers and textures belong to the window's GL context: once another window context
// is made (GLGeneration), the cache holds none of the earlier scenes and the next load reads its
// file again. The earlier scenes stay allocated (pointers handed out stay valid).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GLGeneration.h"
#include "Scene.h"

class SceneCache {
 public:
  static SceneCache& getInstance();
  SceneCache(const SceneCache&) = delete;
  SceneCache& operator=(const SceneCache&) = delete;

  // The cached scene of fileName with one more use counted; null when not cached. The first
  // find after restoreLoadedScenes sets the scene's GL lights as loading it did.
  Scene* findScene(const std::string& fileName);
  // Enters scene under fileName with a use count of 1 and returns it; a name already cached keeps
  // its scene (the new one is dropped and the cached one returned).
  Scene* insertScene(const std::string& fileName, std::unique_ptr<Scene> scene);
  // Puts every cached scene back to the state its file gave (Scene::restoreLoadedState), undoing
  // what effects and events changed on the shared scenes; for a restart that replays the show.
  // Reads no file. The GL lights follow at each scene's next find, in the order a load would.
  void restoreLoadedScenes();
  // Uses counted for fileName; 0 when not cached.
  uint32_t getUseCount(const std::string& fileName) const;
  // The file names cached, in name order.
  std::vector<std::string> getFileNames() const;
  // Authoring: the next load of fileName reads the file again. The scene stays allocated (pointers
  // handed out stay valid). False when fileName is not cached.
  bool forgetScene(const std::string& fileName);

 private:
  SceneCache() = default;

  struct Entry {
    std::unique_ptr<Scene> scene;
    uint32_t useCount;
    bool handedOut;  // found or entered since the last restore
  };
  // Moves the scenes of an earlier window context to _retired.
  void dropStaleScenes();

  std::map<std::string, Entry> _scenes;
  std::vector<std::unique_ptr<Scene>> _retired;  // loaded under an earlier window context
  GLGeneration _generation;                      // window context the cached scenes belong to
};
