#include "SceneCache.h"

SceneCache& SceneCache::getInstance() {
  static SceneCache cache;
  return cache;
}

void SceneCache::dropStaleScenes() {
  if (!_generation.changed()) return;
  for (auto& named : _scenes) _retired.push_back(std::move(named.second.scene));
  _scenes.clear();
}

Scene* SceneCache::findScene(const std::string& fileName) {
  dropStaleScenes();
  auto found = _scenes.find(fileName);
  if (found == _scenes.end()) return nullptr;
  Entry& entry = found->second;
  ++entry.useCount;
  if (!entry.handedOut) entry.scene->applyLightColorsToGL();
  entry.handedOut = true;
  return entry.scene.get();
}

Scene* SceneCache::insertScene(const std::string& fileName, std::unique_ptr<Scene> scene) {
  dropStaleScenes();
  auto inserted = _scenes.emplace(fileName, Entry{std::move(scene), 1, true});
  return inserted.first->second.scene.get();
}

void SceneCache::restoreLoadedScenes() {
  for (auto& named : _scenes) {
    named.second.scene->restoreLoadedState();
    named.second.handedOut = false;
  }
}

std::vector<std::string> SceneCache::getFileNames() const {
  std::vector<std::string> names;
  for (const auto& named : _scenes) names.push_back(named.first);
  return names;
}

bool SceneCache::forgetScene(const std::string& fileName) {
  auto found = _scenes.find(fileName);
  if (found == _scenes.end()) return false;
  _retired.push_back(std::move(found->second.scene));
  _scenes.erase(found);
  return true;
}

uint32_t SceneCache::getUseCount(const std::string& fileName) const {
  auto found = _scenes.find(fileName);
  return found == _scenes.end() ? 0 : found->second.useCount;
}
