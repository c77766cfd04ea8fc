#pragma once
// Authoring on top of the running show (--edit): pause, jumps by bars, an A-B loop, reloading
// the script at the current time (by key, and by itself when the script file changes on disk),
// warnings from the script lint, and the overlay. Music follows every pause, jump and reload by
// seeking the stream to the clock's time.
//
// A jump loads the last good script again from memory and sets the clock to the target time:
// the next frame step delivers every event up to that time in order, so the show is what a
// fresh start at that time shows. A reload that finds fatal problems keeps the last good script.
//
// With --data, saving the script (ScriptFileWatch) or a glTF scene it plays (SceneFileWatch)
// reloads it. For tests, EditActions drives the session (the switch RK17_EDIT_ACTIONS).
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "AuthoringOptions.h"
#include "EditActions.h"
#include "EffectRegistryRow.h"
#include "Overlay.h"
#include "ScriptLint.h"
#include "SceneFileWatch.h"
#include "ScriptFileWatch.h"
#include "ScriptLoader.h"

class DemoClock;
class DemoInput;

class EditSession {
 public:
  // clock must read EditClock::counter at frequency 1000.
  EditSession(DemoClock& clock, const AuthoringOptions& options, std::vector<EffectRegistryRow> registry,
              std::string scriptPath);
  ~EditSession();
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;

  // Where the test actions send keys (the runner, which hands the authoring keys back).
  void setKeyTarget(DemoInput* input) { _input = input; }
  // Named files are checked in this pack (pack mode).
  void setPackName(const std::string& packName) { _lint.setPackName(packName); }

  // After start-up (script loaded, clock started): lint warnings, the end limit, test actions.
  void begin();
  // Whether key is an authoring key.
  bool wantsKey(SDL_Keycode key) const;
  // Handles an authoring key (Space and M included, so that music and time stay in step);
  // false for keys the runner handles.
  bool onKey(SDL_Keycode key);
  // Before a frame: test actions, file watching, the loop, holding at the end.
  void beforeFrame();
  // After the show's frame, before it is shown: test shots, then the overlay.
  void afterFrame(int width, int height);

  // Sets the clock to time (clamped to the start and end time) after loading the last good
  // script again; music follows.
  void jumpTo(int64_t time);
  void togglePause();
  // Reads the script file again; with no fatal problems it becomes the last good script and
  // the show goes on at the current time. False (problems on stderr and the overlay) otherwise.
  bool reload();

  int64_t now() const;
  bool paused() const;
  bool overlayOn() const { return _overlayOn; }
  int reloads() const { return _reloads; }
  bool looping() const { return _loopState == 2; }
  int64_t loopStart() const { return _loopA; }
  int64_t loopEnd() const { return _loopB; }

  // A bar: 4 beats, or 2 s when the beat is 0 or less.
  static int64_t barLength(int32_t beat);
  // "bar.beat", both counted from 1 (bar 1 starts at 0 ms).
  static std::string barBeat(int64_t time, int32_t beat);
  // The overlay's lines for a frame.
  std::vector<Overlay::Line> overlayLines(int64_t time) const;

 private:
  void loadShow(const std::string& text);
  void setLimitToEnd();
  void printProblems(const std::vector<ScriptCheck::Problem>& problems, const char* what);
  void watchScript();
  void startWatching();
  void startMusicAtClock();

  DemoClock& _clock;
  AuthoringOptions _options;
  ScriptLint _lint;
  ScriptLoader _loader;
  std::string _scriptPath;
  DemoInput* _input = nullptr;

  std::string _lastGood;             // text of the last script that loaded
  std::vector<std::string> _errors;  // of the last failed reload, shown until the next good one
  bool _overlayOn = true;
  int _reloads = 0;
  int _loopState = 0;  // 0 none, 1 A set, 2 looping from A to B
  int64_t _loopA = 0;
  int64_t _loopB = 0;

  // File watching (with --data).
  ScriptFileWatch _scriptFile;
  SceneFileWatch _sceneFiles;  // glTF scenes: a saved one reloads the script at the current time
  uint32_t _lastSceneLookTicks = 0;  // SDL ticks of the last look at the scene files
  bool _sceneFilesLooked = false;
  int64_t _savedAtNs = 0;            // modification time of the script of a pending latency report
  bool _reportLatency = false;

  // Frames per second, over half-second windows of real time.
  uint32_t _fpsWindowStart = 0;
  int _fpsFrames = 0;
  float _fps = 0.0f;

  EditActions _testActions;
};
