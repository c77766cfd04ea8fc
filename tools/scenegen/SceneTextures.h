#pragma once
// The textures the generated scenes name, drawn procedurally (power-of-two sizes).
#include <string>
#include <vector>

namespace scenegen {

// File names (no folder) of every texture writeSceneTextures makes.
std::vector<std::string> sceneTextureNames();
// Writes them into folder (which must exist); false when a file cannot be written.
bool writeSceneTextures(const std::string& folder);

}  // namespace scenegen
