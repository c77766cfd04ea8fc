#pragma once
// The entry's work: start-up, the start step, the frame loop with its keys, and shutdown.
// Owns the window; reads time only from the clock it is given.
#include "AuthoringOptions.h"
#include "DemoEngine.h"
#include "ScriptLoader.h"

#include <cstdint>
#include <memory>

class DemoClock;
class EditSession;
class EffectList;
class FrameSink;
struct CaptureOptions;
class Timeline;

class DemoRunner : public DemoInput {
 public:
  explicit DemoRunner(DemoClock& clock);
  ~DemoRunner() override;

  // Start-up, frame loop and shutdown; returns the process exit code (0 after an orderly end,
  // 1 when the window could not be created).
  int run();
  // The same show on the capture's stepped clock (the runner's clock must read
  // FrameCapture::counter at frequency 1000), handing every shown frame to sink (PNG files or
  // the video encoder); 0 when the sink's output is complete, 1 otherwise.
  int runCapture(FrameSink& sink, const CaptureOptions& options);

  // Data folders, windowed mode and start time for the next start-up; with session, the edit
  // session's hooks run in the frame loop and it sees keys first.
  void setAuthoring(const AuthoringOptions& options, EditSession* session);
  // Reads data files from the options' folders, or from the pack when there are none.
  static void useShowData(const AuthoringOptions& options);
  static const char* scriptPath();
  static const char* packName();

  // Start-up steps up to and including the input-enabled flag; false when the window could not
  // be created (nothing else was done then).
  bool startUp();
  // Frames until the quit flag is set, the window closes or the clock passes the end time.
  void runFrameLoop();
  // One pass of the loop; false when the loop ends (quit, or the end time passed: not swapped).
  bool runOneFrame();
  // Tears the window down and releases the show's objects.
  void shutDown();

  // The start/restart step: music paused, script reloaded, music and clock started.
  void startDemo();
  void setMusicEnabled(bool on);

  // DemoInput
  bool inputEnabled() const override;
  void onKeyDown(SDL_Keycode key) override;
  bool wantsKey(SDL_Keycode key) const override;

  DemoEngine& engine() { return _engine; }
  unsigned long framesRendered() const { return _framesRendered; }
  // Whether the start step rehearses the effects before the clock starts (on by default; tests
  // compare the pictures without it).
  void setWarmUp(bool on) { _warmUp = on; }
  // Wall time of the last warm-up (ms; 0 before the first) and the number of times it rehearsed.
  double warmUpMs() const { return _warmUpMs; }
  int warmUpTimes() const { return _warmUpTimes; }

 private:
  bool checkExtensions();
  void showLoadingImage();
  // Draws every effect once, unseen, before the clock starts (see EffectWarmUp).
  void warmUpEffects();
  // The frame step at the clock's reading (ms, signed: nothing happens before 0).
  void renderFrame(int32_t timeMs);
  // The frame's one window message, in event; false when there is none.
  static bool takeMessage(SDL_Event& event);

  DemoClock& _clock;
  DemoEngine _engine;
  // The show's instances and events, created at start-up and published as current.
  std::unique_ptr<EffectList> _effects;
  std::unique_ptr<Timeline> _timeline;
  ScriptLoader _loader;
  unsigned long _framesRendered = 0;
  double _warmUpMs = 0.0;
  int _warmUpTimes = 0;
  bool _warmUp = true;
  FrameSink* _capture = nullptr;  // takes each shown frame when set
  bool _captureFailed = false;
  AuthoringOptions _authoring;
  EditSession* _session = nullptr;
};
