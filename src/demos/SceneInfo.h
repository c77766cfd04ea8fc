#pragma once
// What a scene file holds, for authors: its camera and object names (the lint checks the names
// a script uses against them) and its object tree (rk17 --scene-info). Reads the file through
// the memory files (pack or --data folders) without loading its textures or caching it.
#include <string>
#include <vector>

class SceneInfo {
 public:
  // Camera names in index order and the names of every object (cameras and lights included);
  // false, both empty, when the file cannot be read as a scene.
  static bool readNames(const std::string& file, std::vector<std::string>& cameras, std::vector<std::string>& objects);
  // The scene as text: cameras by index (what the "Camera" variable and event 18 pick), then
  // frames, step and the object tree with materials; "" when the file cannot be read.
  static std::string describe(const std::string& file);
  // The paths (folder/name) of the .vdg files in the disk folder folder, sorted by name; empty
  // when it is not a folder or holds none.
  static std::vector<std::string> sceneFilesIn(const std::string& folder);
};
