#include "ScriptLint.h"

#include <algorithm>

#include "DataPack.h"
#include "EffectList.h"
#include "MemoryFile.h"
#include "ScriptKeyLint.h"
#include "ScriptLoader.h"
#include "Timeline.h"

namespace {
// Publishes a scratch list and timeline as current for the time of a checking load.
class ScratchShow {
 public:
  explicit ScratchShow(const std::vector<EffectRegistryRow>& registry)
      : _list(registry), _previousList(EffectList::current()), _previousTimeline(Timeline::current()) {
    EffectList::setCurrent(&_list);
    Timeline::setCurrent(&_timeline);
  }
  ~ScratchShow() {
    Timeline::setCurrent(_previousTimeline);
    EffectList::setCurrent(_previousList);
  }
  ScratchShow(const ScratchShow&) = delete;
  ScratchShow& operator=(const ScratchShow&) = delete;
  const EffectList& list() const { return _list; }

 private:
  EffectList _list;
  Timeline _timeline;
  EffectList* _previousList;
  Timeline* _previousTimeline;
};
}  // namespace

ScriptLint::ScriptLint(std::vector<EffectRegistryRow> registry) : _registry(std::move(registry)) {}

std::vector<ScriptCheck::Problem> ScriptLint::checkText(const std::string& text, const std::string& scriptName) const {
  ScriptCheck check;
  std::vector<std::string> packNames;
  bool packListed = false;
  {
    ScratchShow show(_registry);
    ScriptLoader loader;
    loader.setCheck(&check);
    loader.loadText(text, scriptName);
    for (const ScriptCheck::Mention& target : check.eventTargets)
      if (!show.list().find(target.text))
        check.problems.push_back({target.line, "no effect in the show receives this event: " + target.text, false});
    // Only scenes the data holds are read: a missing one is reported below, once.
    ScriptEventLint::SceneNames sceneNames;
    if (_sceneNames)
      sceneNames = [&](const std::string& file, std::vector<std::string>& cameras, std::vector<std::string>& objects) {
        return dataFileExists(file, packNames, packListed) && _sceneNames(file, cameras, objects);
      };
    ScriptEventLint::check(check, show.list(), sceneNames);
  }
  ScriptKeyLint::check(check);
  for (const ScriptCheck::Mention& file : check.files)
    if (!dataFileExists(file.text, packNames, packListed))
      check.problems.push_back({file.line, "file not found in the show's data: " + file.text, false});
  std::stable_sort(check.problems.begin(), check.problems.end(),
                   [](const ScriptCheck::Problem& a, const ScriptCheck::Problem& b) { return a.line < b.line; });
  return check.problems;
}

std::vector<ScriptCheck::Problem> ScriptLint::checkFile(const std::string& path) const {
  MemoryFile file(path.c_str());
  if (!file.isValid()) return {{0, "script could not be read", true}};
  const std::string text(reinterpret_cast<const char*>(file.data()), file.size());
  return checkText(text, path);
}

bool ScriptLint::dataFileExists(const std::string& name, std::vector<std::string>& packNames, bool& packListed) const {
  if (_packName.empty()) return !findDataFile(name.c_str()).empty();
  if (!packListed) {
    std::vector<DataPackEntry> entries;
    DataPack::list(_packName.c_str(), &entries);
    for (const DataPackEntry& entry : entries)
      if (!entry.isDirectory()) packNames.push_back(entry.name);
    packListed = true;
  }
  return std::any_of(packNames.begin(), packNames.end(),
                     [&](const std::string& stored) { return DataPack::namesMatch(name.c_str(), stored.c_str()); });
}

std::string ScriptLint::format(const std::string& scriptName, const ScriptCheck::Problem& problem) {
  if (problem.line <= 0) return scriptName + ": " + problem.message;
  return scriptName + ":" + std::to_string(problem.line) + ": " + problem.message;
}

bool ScriptLint::hasFatal(const std::vector<ScriptCheck::Problem>& problems) {
  return std::any_of(problems.begin(), problems.end(), [](const ScriptCheck::Problem& p) { return p.fatal; });
}
