#include "ScriptFileWatch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#ifdef __linux__
#include <sys/inotify.h>

namespace {
// An inotify descriptor told of files written or moved into folder; -1 when there is none.
int watchFolder(const std::string& folder) {
  int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch >= 0 && inotify_add_watch(watch, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    close(watch);
    watch = -1;
  }
  return watch;
}

// Whether watch told of the file name since the last call.
bool watchSaw(int watch, const std::string& name) {
  bool seen = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t got = read(watch, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
      const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && name == event->name) seen = true;
      at += ssize_t(sizeof(inotify_event)) + event->len;
    }
  }
  return seen;
}

int64_t modifiedNs(const struct stat& info) { return int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec; }
}  // namespace
#else
namespace {
// No folder watch: the file is looked at every 200 ms.
int watchFolder(const std::string&) { return -1; }
bool watchSaw(int, const std::string&) { return false; }
int64_t modifiedNs(const struct stat& info) { return int64_t(info.st_mtime) * 1000000000; }
}  // namespace
#endif

namespace {
constexpr uint32_t kFallbackPollMs = 1000;  // with inotify, a look now and then all the same
}  // namespace

ScriptFileWatch::~ScriptFileWatch() {
  if (_inotify >= 0) close(_inotify);
}

void ScriptFileWatch::start(const std::string& path) {
  _path = path;
  if (_path.empty()) return;
  struct stat info = {};
  if (stat(_path.c_str(), &info) == 0) {
    _stamp = modifiedNs(info);
    _size = int64_t(info.st_size);
  }
  const std::string folder = std::filesystem::path(_path).parent_path().string();
  _inotify = watchFolder(folder.empty() ? "." : folder);
}

void ScriptFileWatch::collectEvents() {
  if (_inotify >= 0 && watchSaw(_inotify, std::filesystem::path(_path).filename().string())) _changeSeen = true;
}

bool ScriptFileWatch::saved(uint32_t ticks) {
  const uint32_t since = ticks - _lastLookTicks;
  const uint32_t poll = _inotify >= 0 ? kFallbackPollMs : kLookIntervalMs;
  if (since < kLookIntervalMs || (!_changeSeen && since < poll)) return false;
  _lastLookTicks = ticks;
  _changeSeen = false;
  struct stat info = {};
  if (stat(_path.c_str(), &info) != 0) return false;  // being replaced: look again later
  const int64_t stamp = modifiedNs(info);
  if (stamp == _stamp && int64_t(info.st_size) == _size) return false;
  _stamp = stamp;
  _size = int64_t(info.st_size);
  return true;
}
