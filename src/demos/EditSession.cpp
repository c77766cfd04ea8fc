#include "EditSession.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "DemoClock.h"
#include "DemoSettings.h"
#include "EditClock.h"
#include "Effect.h"
#include "EffectList.h"
#include "MemoryFile.h"
#include "MissingFiles.h"
#include "SceneInfo.h"
#include "ShowReset.h"
#include "Switches.h"
#include "VelmorMusic.h"

namespace {
constexpr size_t kOverlayColumns = 60;

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

int64_t realtimeNs() {
  timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool readScript(const std::string& path, std::string& text) {
  MemoryFile file(path.c_str());
  if (!file.isValid()) return false;
  text.assign(reinterpret_cast<const char*>(file.data()), file.size());
  return true;
}
}  // namespace

EditSession::EditSession(DemoClock& clock, const AuthoringOptions& options, std::vector<EffectRegistryRow> registry,
                         std::string scriptPath)
    : _clock(clock), _options(options), _lint(std::move(registry)), _scriptPath(std::move(scriptPath)) {
  _lint.setSceneNames(SceneInfo::readNames);
}

EditSession::~EditSession() = default;

int64_t EditSession::barLength(int32_t beat) { return beat > 0 ? 4 * int64_t(beat) : 2000; }

std::string EditSession::barBeat(int64_t time, int32_t beat) {
  const int64_t bar = barLength(beat);
  const int64_t inBar = time - floorDiv(time, bar) * bar;
  return std::to_string(floorDiv(time, bar) + 1) + "." + std::to_string(inBar * 4 / bar + 1);
}

int64_t EditSession::now() const { return _clock.now(); }

bool EditSession::paused() const { return EditClock::paused(); }

void EditSession::begin() {
  if (!readScript(_scriptPath, _lastGood))
    std::fprintf(stderr, "rk17: %s could not be read again; reloads start from nothing\n", _scriptPath.c_str());
  printProblems(_lint.checkText(_lastGood, _scriptPath), "warning: ");
  setLimitToEnd();
  // Playing stays silent about a soundtrack that does not open; an author is told once.
  if (demoSettings().music && isSoundInitialised() && musicState().stream == 0)
    std::fprintf(stderr, "rk17: %s cannot be played (missing, or not a 44.1 kHz stereo MP3); no music\n", kMusicFile);
  if (!_options.dataFolders.empty()) startWatching();
  _scriptFile.setLastLook(SDL_GetTicks());
  _fpsWindowStart = SDL_GetTicks();
  if (Switches::isOn(Switch::EditActions)) _testActions.parse(Switches::text(Switch::EditActions));
}

void EditSession::printProblems(const std::vector<ScriptCheck::Problem>& problems, const char* what) {
  // Warnings that a load reports itself come from the load around this list: not twice.
  for (const ScriptCheck::Problem& problem : problems)
    if (problem.fatal || !problem.reported)
      std::fprintf(stderr, "%s%s\n", problem.fatal ? "" : what, ScriptLint::format(_scriptPath, problem).c_str());
  std::fflush(stderr);
}

void EditSession::setLimitToEnd() {
  // The clock holds at the end time: the show never ends by itself while authoring.
  const int64_t left = int64_t(demoSettings().endTime) - now();
  EditClock::setLimit(EditClock::counter() + (left > 0 ? left : 0));
}

void EditSession::loadShow(const std::string& text) {
  DemoSettings& settings = demoSettings();
  const bool fullscreen = settings.fullscreen;
  ShowReset::beforeLoad();
  _loader.loadText(text, _scriptPath);
  settings.fullscreen = fullscreen;  // the display mode is the author's (F1)
  if (_options.hasStart) settings.startTime = _options.startMs;
}

void EditSession::startMusicAtClock() {
  if (!demoSettings().music || EditClock::paused()) return;
  // The clock waits while the stream fills its first blocks at the new place.
  EditClock::pause();
  startMusicAt(static_cast<int32_t>(now()));
  EditClock::resume();
}

void EditSession::jumpTo(int64_t time) {
  DemoSettings& settings = demoSettings();
  if (isMusicPlaying()) pauseMusic();
  loadShow(_lastGood);
  if (time > settings.endTime) time = settings.endTime;
  if (time < settings.startTime) time = settings.startTime;
  _clock.setOffset(static_cast<int32_t>(time));
  _clock.start();
  setLimitToEnd();
  startMusicAtClock();
}

void EditSession::togglePause() {
  if (EditClock::paused()) {
    EditClock::resume();
    startMusicAtClock();
  } else {
    EditClock::pause();
    if (isMusicPlaying()) pauseMusic();
  }
}

bool EditSession::reload() {
  std::string text;
  if (!readScript(_scriptPath, text)) {
    _errors = {"reload failed: " + _scriptPath + " could not be read"};
    std::fprintf(stderr, "rk17: %s could not be read; the last good script keeps playing\n", _scriptPath.c_str());
    return false;
  }
  const std::vector<ScriptCheck::Problem> problems = _lint.checkText(text, _scriptPath);
  if (ScriptLint::hasFatal(problems)) {
    printProblems(problems, "warning: ");
    std::fprintf(stderr, "rk17: %s has errors; the last good script keeps playing\n", _scriptPath.c_str());
    _errors.clear();
    for (const ScriptCheck::Problem& problem : problems)
      if (problem.fatal) _errors.push_back(ScriptLint::format(_scriptPath, problem));
    return false;
  }
  printProblems(problems, "warning: ");
  _errors.clear();
  _lastGood = text;
  jumpTo(now());
  ++_reloads;
  return true;
}

bool EditSession::wantsKey(SDL_Keycode key) const {
  switch (key) {
    case SDLK_p:
    case SDLK_LEFT:
    case SDLK_RIGHT:
    case SDLK_PAGEUP:
    case SDLK_PAGEDOWN:
    case SDLK_HOME:
    case SDLK_r:
    case SDLK_l:
    case SDLK_F2:
      return true;
    default:
      return false;
  }
}

bool EditSession::onKey(SDL_Keycode key) {
  DemoSettings& settings = demoSettings();
  const int64_t bar = barLength(settings.beat);
  switch (key) {
    case SDLK_p:
      togglePause();
      return true;
    case SDLK_LEFT:
      jumpTo(now() - bar);
      return true;
    case SDLK_RIGHT:
      jumpTo(now() + bar);
      return true;
    case SDLK_PAGEUP:
      jumpTo(now() - 10 * bar);
      return true;
    case SDLK_PAGEDOWN:
      jumpTo(now() + 10 * bar);
      return true;
    case SDLK_HOME:
      jumpTo(settings.startTime);
      return true;
    case SDLK_r:
      reload();
      return true;
    case SDLK_SPACE:  // restart from the start time with the script read again
      reload();
      jumpTo(settings.startTime);
      return true;
    case SDLK_m:
      settings.music = !settings.music;
      if (settings.music)
        startMusicAtClock();
      else if (isMusicPlaying())
        pauseMusic();
      return true;
    case SDLK_l:
      if (_loopState == 0) {
        _loopA = now();
        _loopState = 1;
      } else if (_loopState == 1) {
        _loopB = now();
        if (_loopB < _loopA) std::swap(_loopA, _loopB);
        _loopState = _loopB > _loopA ? 2 : 0;
      } else {
        _loopState = 0;
      }
      return true;
    case SDLK_F2:
      _overlayOn = !_overlayOn;
      return true;
    default:
      return false;
  }
}

void EditSession::startWatching() { _scriptFile.start(findDataFile(_scriptPath.c_str())); }

void EditSession::watchScript() {
  if (_options.dataFolders.empty()) return;
  if (!_scriptFile.started()) {
    startWatching();
    if (!_scriptFile.started()) return;
  }
  _scriptFile.collectEvents();
  const uint32_t ticks = SDL_GetTicks();
  // The scene files are first looked at in the first frame, so that a save in the first moments
  // is seen as one; then every look interval.
  if (!_sceneFilesLooked || ticks - _lastSceneLookTicks >= ScriptFileWatch::kLookIntervalMs) {
    _sceneFilesLooked = true;
    _lastSceneLookTicks = ticks;
    if (_sceneFiles.poll()) {
      reload();
      return;
    }
  }
  if (_scriptFile.saved(ticks) && reload()) {
    _savedAtNs = _scriptFile.savedAtNs();
    _reportLatency = true;
  }
}

void EditSession::beforeFrame() {
  if (_reportLatency) {  // the first frame of the reloaded script has been shown
    std::fprintf(stderr, "rk17: reloaded %s: shown %.0f ms after the save\n", _scriptPath.c_str(),
                 double(realtimeNs() - _savedAtNs) / 1e6);
    _reportLatency = false;
  }
  _testActions.beforeFrame(*this, _input);
  watchScript();
  const int64_t time = now();
  if (_loopState == 2 && time >= _loopB) jumpTo(_loopA);
  if (!EditClock::paused() && now() >= demoSettings().endTime) togglePause();  // held at the end
}

std::vector<Overlay::Line> EditSession::overlayLines(int64_t time) const {
  const DemoSettings& settings = demoSettings();
  char head[96];
  std::snprintf(head, sizeof head, "%lld ms  bar %s  %.0f fps%s", static_cast<long long>(time),
                barBeat(time, settings.beat).c_str(), double(_fps), EditClock::paused() ? "  paused" : "");
  std::vector<Overlay::Line> lines = {{head, false}};
  if (_loopState == 1) lines.push_back({"loop from " + std::to_string(_loopA), false});
  if (_loopState == 2) lines.push_back({"loop " + std::to_string(_loopA) + " - " + std::to_string(_loopB), false});
  std::string active;
  if (EffectList* list = EffectList::current())
    for (Effect* effect : list->getEffects())
      if (effect->wasActive()) active += (active.empty() ? "" : " ") + effect->getName();
  for (const Overlay::Line& line : Overlay::wrap({active.empty() ? "-" : active, false}, kOverlayColumns))
    lines.push_back(line);
  for (const std::string& error : _errors)
    for (const Overlay::Line& line : Overlay::wrap({error, true}, kOverlayColumns)) lines.push_back(line);
  for (const std::string& name : MissingFiles::names())
    for (const Overlay::Line& line : Overlay::wrap({"missing file: " + name, true}, kOverlayColumns))
      lines.push_back(line);
  return lines;
}

void EditSession::afterFrame(int width, int height) {
  _testActions.afterFrame(width, height);
  ++_fpsFrames;
  const uint32_t ticks = SDL_GetTicks();
  if (ticks - _fpsWindowStart >= 500) {
    _fps = float(_fpsFrames) * 1000.0f / float(ticks - _fpsWindowStart);
    _fpsFrames = 0;
    _fpsWindowStart = ticks;
  }
  if (_overlayOn) Overlay::draw(overlayLines(now()), width, height);
}
