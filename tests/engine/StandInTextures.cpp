#include "StandInTextures.h"

#include <map>
#include <memory>

#include "SceneLoaderVDG.h"
#include "Texture.h"

namespace {

std::map<std::string, std::unique_ptr<Texture>> gTextures;
std::vector<std::string> gRequests;
SceneLoaderVDG::TextureLookup gPrevious = nullptr;

Texture* lookup(const std::string& name, const std::string& directory) {
  gRequests.push_back(directory + "|" + name);
  if (name.rfind("missing", 0) == 0) return nullptr;
  std::unique_ptr<Texture>& texture = gTextures[name];
  if (!texture) texture.reset(new Texture(GL_TEXTURE_2D, GL_RGBA));
  return texture.get();
}

}  // namespace

StandInTextures::StandInTextures() {
  gRequests.clear();
  gPrevious = SceneLoaderVDG::setTextureLookup(lookup);
}

StandInTextures::~StandInTextures() { SceneLoaderVDG::setTextureLookup(gPrevious); }

Texture* StandInTextures::get(const std::string& name) const {
  if (name.rfind("missing", 0) == 0) return nullptr;
  std::unique_ptr<Texture>& texture = gTextures[name];
  if (!texture) texture.reset(new Texture(GL_TEXTURE_2D, GL_RGBA));
  return texture.get();
}

const std::vector<std::string>& StandInTextures::requests() const { return gRequests; }
