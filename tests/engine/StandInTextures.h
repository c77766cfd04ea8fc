#pragma once
// While it exists, scene loads get image-less stand-in textures instead of TextureManager's (no GL
// needed): one Texture per requested name, kept for the process; names starting with "missing"
// are not found. Records every request as "directory|name".
#include <string>
#include <vector>

class Texture;

class StandInTextures {
 public:
  StandInTextures();
  ~StandInTextures();
  // The stand-in for name (null for a "missing" name).
  Texture* get(const std::string& name) const;
  const std::vector<std::string>& requests() const;
};
