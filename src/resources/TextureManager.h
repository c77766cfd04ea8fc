#pragma once
// The process-wide texture cache: every effect and scene that names the same file (or the same
// render target) shares one Texture. Names are compared byte-wise and case-sensitively; the
// directory, target and sizes of a request are not part of the key. Textures are never released
// during the show. Single-threaded, GL thread only.
//
// The textures recorded belong to the window's GL context: once another window context is made
// (GLGeneration), the next request finds none of them and loads or creates its texture again. The
// earlier Texture objects stay allocated (pointers handed out stay valid) until the manager goes.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "GLGeneration.h"
#include "Texture.h"

class TextureManager {
 public:
  // The single manager, created on first call.
  static TextureManager& getInstance();
  // Deletes every recorded Texture (images included); GL names are left to the context.
  ~TextureManager();
  TextureManager(const TextureManager&) = delete;
  TextureManager& operator=(const TextureManager&) = delete;

  // The shared texture for name, loaded from directory + name at the first request. Null for an
  // empty name or a failed load; failed loads are not recorded, so a later request tries again.
  Texture* getTexture(const std::string& name, const std::string& directory, GLenum target);
  // The shared render target called name, made by Texture::createRenderTexture at the first
  // request (null results are not recorded).
  Texture* createTexture(const std::string& name, int width, int height, GLenum target, GLenum internalFormat);

  // The shared texture of base with opacity's grey level as its alpha (Texture::createOpacityMerged),
  // made at the first request for this pair and shared by every later one; base and opacity stay
  // as loaded. Null when the two cannot be merged (nothing is recorded then). The pair is known by
  // the two textures, which must live as long as the record (the manager's own textures do).
  Texture* getOpacityMergedTexture(const Texture* base, const Texture* opacity);

  // Records texture (owned from now on) under name, as a load of that name would have; when name
  // is already recorded the new texture is deleted. Returns the recorded texture.
  Texture* addTexture(const std::string& name, Texture* texture);
  // Requests recorded for name (1 after the first successful one); 0 when name is not recorded.
  uint32_t getUseCount(const std::string& name) const;
  // The recorded texture of name without counting a use; null when not recorded.
  Texture* findTexture(const std::string& name) const;
  // Tests only: deletes the recorded Texture of name (its GL name is left to the context) and
  // forgets name, so the next request loads it again; the merged textures made from it go too.
  // False when name is not recorded. No one may still hold the textures.
  bool forget(const std::string& name);

 private:
  TextureManager() = default;

  struct Entry {
    Texture* texture;   // owned
    uint32_t useCount;  // starts at 1, never decremented
  };
  // Moves the textures of an earlier window context to _retired.
  void retireStale();
  // Counts a use of name and returns its texture; null when name is not recorded.
  Texture* useRecorded(const std::string& name);
  void record(const std::string& name, Texture* texture);

  std::map<std::string, Entry> _textures;
  std::map<std::pair<const Texture*, const Texture*>, Texture*> _merged;  // owned; by (base, opacity)
  std::vector<Texture*> _retired;  // owned; recorded under an earlier window context
  GLGeneration _generation;        // window context the recorded textures belong to
};
