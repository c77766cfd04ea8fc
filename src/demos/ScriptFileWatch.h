#pragma once
// Authoring (--edit with --data): notices when the script file is saved. The file is looked at
// (stat) at most every 200 ms: soon after inotify on its folder tells of a change, else every
// second; without inotify every 200 ms. The folder is watched, not the file: editors often save
// by writing a new file and renaming it. A look that finds another modification time or size
// than the last one counts as a save.
#include <cstdint>
#include <string>

class ScriptFileWatch {
 public:
  static constexpr uint32_t kLookIntervalMs = 200;  // the file is looked at no more often

  ScriptFileWatch() = default;
  ~ScriptFileWatch();
  ScriptFileWatch(const ScriptFileWatch&) = delete;
  ScriptFileWatch& operator=(const ScriptFileWatch&) = delete;

  // Starts watching the file at path (on disk) and records its state; nothing when path is empty.
  void start(const std::string& path);
  bool started() const { return !_path.empty(); }
  // Sets the SDL ticks that the next look is timed from.
  void setLastLook(uint32_t ticks) { _lastLookTicks = ticks; }
  // Takes what inotify told of the file since the last call (once per frame, before saved).
  void collectEvents();
  // Looks at the file when a look is due at ticks (SDL ticks); true when it was saved since the
  // last look. A file that cannot be looked at (being replaced) is looked at again later.
  bool saved(uint32_t ticks);
  // ns of real time of the modification that the last true of saved found.
  int64_t savedAtNs() const { return _stamp; }

 private:
  std::string _path;
  int _inotify = -1;
  int64_t _stamp = -1;  // ns of the last modification seen, -1 none
  int64_t _size = -1;
  uint32_t _lastLookTicks = 0;  // SDL ticks of the last look at the file
  bool _changeSeen = false;     // inotify told of a change not looked at yet
};
