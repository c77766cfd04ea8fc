#include "SceneInfo.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "CameraObject.h"
#include "ErrorReport.h"
#include "SceneLoaderVDG.h"

namespace {
Texture* noTexture(const std::string&, const std::string&) { return nullptr; }

// Textures are not looked up, so the loader's reports of them say nothing; fatal reports (a
// broken file) still reach stderr before the process ends.
void fatalOnly(const char* text, bool fatal) {
  if (fatal) std::fprintf(stderr, "%s\n", text);
}

// The scene of file read without its textures; null when it cannot be read.
std::unique_ptr<Scene> readScene(const std::string& file) {
  const SceneLoaderVDG::TextureLookup previousLookup = SceneLoaderVDG::setTextureLookup(noTexture);
  const ReportHandler previousHandler = setReportHandler(fatalOnly);
  std::unique_ptr<Scene> scene = SceneLoaderVDG().read(file, "data/textures/");
  setReportHandler(previousHandler);
  SceneLoaderVDG::setTextureLookup(previousLookup);
  return scene;
}
}  // namespace

bool SceneInfo::readNames(const std::string& file, std::vector<std::string>& cameras,
                          std::vector<std::string>& objects) {
  cameras.clear();
  objects.clear();
  const std::unique_ptr<Scene> scene = readScene(file);
  if (!scene) return false;
  for (int32_t i = 0; i < scene->cameraCount(); ++i) cameras.push_back(scene->camera(i)->name());
  for (const std::unique_ptr<SceneObject>& object : scene->objects()) objects.push_back(object->name());
  return true;
}

std::string SceneInfo::describe(const std::string& file) {
  const std::unique_ptr<Scene> scene = readScene(file);
  if (!scene) return "";
  std::string text = file + "\ncameras (index: name):";
  for (int32_t i = 0; i < scene->cameraCount(); ++i) text += " " + std::to_string(i) + ": " + scene->camera(i)->name();
  if (scene->cameraCount() == 0) text += " none (a default camera is used)";
  return text + "\n" + scene->describe();
}

std::vector<std::string> SceneInfo::sceneFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::filesystem::path& path = entry->path();
    if (path.extension() == ".vdg" && entry->is_regular_file(error)) names.push_back(path.filename().string());
  }
  std::sort(names.begin(), names.end());
  for (std::string& name : names) name = folder + "/" + name;
  return names;
}
