#include "TextureManager.h"

TextureManager& TextureManager::getInstance() {
  static TextureManager manager;
  return manager;
}

TextureManager::~TextureManager() {
  for (auto& named : _textures) delete named.second.texture;
  for (auto& pair : _merged) delete pair.second;
  for (Texture* texture : _retired) delete texture;
}

void TextureManager::retireStale() {
  if (!_generation.changed()) return;
  // Their GL names went with the context they were made in.
  for (auto& named : _textures) _retired.push_back(named.second.texture);
  for (auto& pair : _merged) _retired.push_back(pair.second);
  _textures.clear();
  _merged.clear();
}

Texture* TextureManager::useRecorded(const std::string& name) {
  retireStale();
  auto found = _textures.find(name);
  if (found == _textures.end()) return nullptr;
  ++found->second.useCount;
  return found->second.texture;
}

void TextureManager::record(const std::string& name, Texture* texture) {
  _textures.emplace(name, Entry{texture, 1});
}

Texture* TextureManager::getTexture(const std::string& name, const std::string& directory, GLenum target) {
  if (Texture* shared = useRecorded(name)) return shared;
  if (name.empty()) return nullptr;
  Texture* texture = Texture::loadTexture(name.c_str(), directory.c_str(), target);
  if (!texture) return nullptr;
  record(name, texture);
  return texture;
}

Texture* TextureManager::createTexture(const std::string& name, int width, int height, GLenum target,
                                       GLenum internalFormat) {
  if (Texture* shared = useRecorded(name)) return shared;
  Texture* texture = Texture::createRenderTexture(width, height, target, internalFormat);
  if (!texture) return nullptr;
  record(name, texture);
  return texture;
}

Texture* TextureManager::getOpacityMergedTexture(const Texture* base, const Texture* opacity) {
  retireStale();
  if (!base || !opacity) return nullptr;
  const auto key = std::make_pair(base, opacity);
  auto found = _merged.find(key);
  if (found != _merged.end()) return found->second;
  Texture* merged = Texture::createOpacityMerged(*base, *opacity);
  if (merged) _merged.emplace(key, merged);
  return merged;
}

Texture* TextureManager::addTexture(const std::string& name, Texture* texture) {
  if (Texture* shared = useRecorded(name)) {
    if (shared != texture) delete texture;
    return shared;
  }
  if (!texture) return nullptr;
  record(name, texture);
  return texture;
}

uint32_t TextureManager::getUseCount(const std::string& name) const {
  auto found = _textures.find(name);
  return found == _textures.end() ? 0 : found->second.useCount;
}

Texture* TextureManager::findTexture(const std::string& name) const {
  auto found = _textures.find(name);
  return found == _textures.end() ? nullptr : found->second.texture;
}

bool TextureManager::forget(const std::string& name) {
  auto found = _textures.find(name);
  if (found == _textures.end()) return false;
  const Texture* texture = found->second.texture;
  for (auto pair = _merged.begin(); pair != _merged.end();) {
    if (pair->first.first == texture || pair->first.second == texture) {
      delete pair->second;
      pair = _merged.erase(pair);
    } else {
      ++pair;
    }
  }
  delete texture;
  _textures.erase(found);
  return true;
}
