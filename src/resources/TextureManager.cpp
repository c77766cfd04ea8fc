#include "TextureManager.h"

TextureManager& TextureManager::getInstance() {
  static TextureManager manager;
  return manager;
}

TextureManager::~TextureManager() {
  for (auto& named : _textures) delete named.second.texture;
  for (Texture* texture : _retired) delete texture;
}

Texture* TextureManager::useRecorded(const std::string& name) {
  if (_generation.changed()) {
    // Their GL names went with the context they were made in.
    for (auto& named : _textures) _retired.push_back(named.second.texture);
    _textures.clear();
  }
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
  delete found->second.texture;
  _textures.erase(found);
  return true;
}
