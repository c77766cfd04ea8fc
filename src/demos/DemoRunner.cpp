#include "DemoRunner.h"

#include "DemoClock.h"
#include "DataPack.h"
#include "DemoSettings.h"
#include "EditSession.h"
#include "EffectList.h"
#include "EffectTable.h"
#include "EffectWarmUp.h"
#include "ErrorReport.h"
#include "FrameCapture.h"
#include "MissingFiles.h"
#include "MemoryFile.h"
#include "ScreenHelpers.h"
#include "ShowReset.h"
#include "SoundSystem.h"
#include "TextureManager.h"
#include "Timeline.h"
#include "VelmorMusic.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdlib>

namespace {
const char* const kTitle = "Velmor Drift - RK17";
const GLbitfield kClearMask = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
const char* const kScriptPath = "data/scripts/demo.scr";
const char* const kPackName = "data.vdd";
const char* const kPackPassword = "falco31";
}  // namespace

DemoRunner::DemoRunner(DemoClock& clock) : _clock(clock) {}

DemoRunner::~DemoRunner() {
  if (Timeline::current() == _timeline.get()) Timeline::setCurrent(nullptr);
  if (EffectList::current() == _effects.get()) EffectList::setCurrent(nullptr);
}

void DemoRunner::setAuthoring(const AuthoringOptions& options, EditSession* session) {
  _authoring = options;
  _session = session;
}

void DemoRunner::useShowData(const AuthoringOptions& options) {
  if (!options.dataFolders.empty()) {
    setDataFolders(options.dataFolders);
    return;
  }
  setPackExtractor(DataPack::extract);
  setDataPack(kPackName, kPackPassword);
}

const char* DemoRunner::scriptPath() { return kScriptPath; }

const char* DemoRunner::packName() { return kPackName; }

int DemoRunner::run() {
  if (!startUp()) return 1;
  if (_session) _session->begin();
  if (!demoSettings().quit) runFrameLoop();
  shutDown();
  return 0;
}

int DemoRunner::runCapture(FrameSink& sink, const CaptureOptions& options) {
  if (!sink.prepare()) return 1;
  FrameCapture::stepTo(0, 0);  // the clock starts at counter 0
  _capture = &sink;
  // Music is decoded and mixed on this thread up to each frame's time, with no audio device, so
  // sound-driven effects see the same blocks on every capture.
  SoundSystem& sound = SoundSystem::instance();
  sound.initOffline();
  if (!startUp()) {
    sink.finish(false);
    return 1;
  }
  DemoSettings& settings = demoSettings();
  const int64_t last = FrameCapture::lastTime(options, settings.endTime);
  for (int64_t k = 0; !settings.quit && !_captureFailed; ++k) {
    const int64_t time = FrameCapture::frameTime(options, k);
    if (time > last) break;
    FrameCapture::stepTo(time, settings.startTime);
    sound.mixOfflineUntil(static_cast<int32_t>(time));
    if (!runOneFrame()) break;
  }
  const bool finished = sink.finish(!settings.quit && !_captureFailed);
  shutDown();
  _capture = nullptr;
  return _captureFailed || !finished ? 1 : 0;
}

bool DemoRunner::checkExtensions() {
  // Off-screen buffers stand in for pixel buffers with render-to-texture.
  const bool offscreen =
      epoxy_has_gl_extension("GL_ARB_framebuffer_object") || epoxy_has_gl_extension("GL_EXT_framebuffer_object");
  return offscreen && epoxy_has_gl_extension("GL_ARB_vertex_shader") &&
         epoxy_has_gl_extension("GL_ARB_multitexture");
}

bool DemoRunner::startUp() {
  DemoSettings& settings = demoSettings();
  settings.screenWidth = 800;
  settings.screenHeight = 600;
  settings.fullscreen = true;
  if (_authoring.windowed) settings.fullscreen = false;
  if (!_engine.create(kTitle, settings.screenWidth, settings.screenHeight, 32, settings.fullscreen, nullptr))
    return false;
  if (!_engine.context() || epoxy_gl_version() == 0) reportError(__FILE__, __LINE__, "Could not init GLee", true);
  if (!checkExtensions()) reportError(__FILE__, __LINE__, "Unsupported extensions", true);
  // From here on every data file comes out of the pack (or the --data folders).
  useShowData(_authoring);
  if (!_authoring.dataFolders.empty()) MissingFiles::install();

  glClear(kClearMask);
  showLoadingImage();
  _effects = std::make_unique<EffectList>(EffectTable::rows());
  _timeline = std::make_unique<Timeline>();
  EffectList::setCurrent(_effects.get());
  Timeline::setCurrent(_timeline.get());
  // Closes the soundtrack and the sound library when the process ends, fatal reports included.
  std::atexit(shutdownMusic);
  startDemo();
  _engine.setFullscreenMode(settings.fullscreen);
  settings.inputEnabled = true;
  return true;
}

void DemoRunner::showLoadingImage() {
  // A missing or unreadable picture gives null: the quad is then drawn untextured.
  Texture* loading = TextureManager::getInstance().getTexture("data/images/loading.png", "", GL_TEXTURE_2D);
  setOrthoProjection();
  drawTexturedQuad(loading, ScreenRect{0.0f, 0.0f, 1.0f, 1.0f});
  _engine.swapBuffers();
}

void DemoRunner::startDemo() {
  DemoSettings& settings = demoSettings();
  if (settings.music) pauseMusic();
  const bool fullscreen = settings.fullscreen;
  ShowReset::beforeLoad();
  _loader.load(kScriptPath);
  if (_authoring.windowed) settings.fullscreen = fullscreen;  // the script's flag is ignored
  if (_authoring.hasStart) settings.startTime = _authoring.startMs;
  // Sound first, so that effects which attach to it at their start are warmed up as they play.
  if (settings.music) initSound();
  if (_warmUp) warmUpEffects();
  // The events up to the start time, which the first frame would deliver, go out now, after the
  // warm-up: it rehearses without events and puts back what it changed, so each acts exactly as
  // in the first frame, and what they load is loaded before the clock starts.
  if (_timeline && settings.startTime >= 0) _timeline->deliverDue(static_cast<uint32_t>(settings.startTime));
  if (settings.music) startMusicAt(settings.startTime);
  _clock.setOffset(settings.startTime);
  _clock.start();
}

// Every effect drawn once before the clock starts, so that no section pays for first use.
void DemoRunner::warmUpEffects() {
  EffectList* list = EffectList::current();
  Timeline* timeline = Timeline::current();
  if (!list || !timeline || !_engine.context()) return;
  const DemoSettings& settings = demoSettings();
  const uint32_t from = static_cast<uint32_t>(std::max<int32_t>(settings.startTime, 0));
  const uint32_t to = static_cast<uint32_t>(std::max<int32_t>(settings.endTime, 0));
  const uint64_t begin = SDL_GetPerformanceCounter();
  _warmUpTimes = EffectWarmUp::run(*list, *timeline, from, to);
  _warmUpMs = double(SDL_GetPerformanceCounter() - begin) * 1000.0 / double(SDL_GetPerformanceFrequency());
}

// The clock is not touched: music switched back on starts again at the start time.
void DemoRunner::setMusicEnabled(bool on) {
  if (on)
    startMusicAt(demoSettings().startTime);
  else
    pauseMusic();
}

void DemoRunner::renderFrame(int32_t timeMs) {
  if (_timeline) _timeline->runFrame(timeMs);
}

bool DemoRunner::takeMessage(SDL_Event& event) {
  // Mouse motion is ignored: it never takes a frame's one message, so a burst of it cannot hold
  // up a key. Fetched without pumping again, so no motion can arrive between the two steps.
  SDL_PumpEvents();
  SDL_FlushEvent(SDL_MOUSEMOTION);
  return SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

bool DemoRunner::runOneFrame() {
  DemoSettings& settings = demoSettings();
  SDL_Event event;
  if (takeMessage(event)) {
    if (event.type == SDL_QUIT) {
      settings.quit = true;
      return false;
    }
    _engine.handleEvent(event, *this);
  }
  if (_session) _session->beforeFrame();
  glClear(kClearMask);
  renderFrame(static_cast<int32_t>(_clock.now()));
  ++_framesRendered;
  // Signed: a show that starts before zero reads negative times until it gets there.
  if (_clock.now() > settings.endTime) return false;
  if (_capture && !_capture->writeFrame(settings.screenWidth, settings.screenHeight)) {
    _captureFailed = true;
    return false;
  }
  if (_session) _session->afterFrame(settings.screenWidth, settings.screenHeight);
  _engine.swapBuffers();
  return !settings.quit;
}

void DemoRunner::runFrameLoop() {
  while (!demoSettings().quit && runOneFrame()) {
  }
}

void DemoRunner::shutDown() {
  _engine.destroy();
  // The timeline goes first, then the effect list with its instances.
  Timeline::setCurrent(nullptr);
  _timeline.reset();
  EffectList::setCurrent(nullptr);
  _effects.reset();
}

bool DemoRunner::inputEnabled() const { return demoSettings().inputEnabled; }

bool DemoRunner::wantsKey(SDL_Keycode key) const { return _session && _session->wantsKey(key); }

void DemoRunner::onKeyDown(SDL_Keycode key) {
  if (_session && _session->onKey(key)) return;
  DemoSettings& settings = demoSettings();
  switch (key) {
    case SDLK_ESCAPE:
      settings.quit = true;
      break;
    case SDLK_SPACE:
      startDemo();
      break;
    case SDLK_m:
      settings.music = !settings.music;
      setMusicEnabled(settings.music);
      break;
    case SDLK_F1:
      _engine.setFullscreenMode(!settings.fullscreen);
      settings.fullscreen = !settings.fullscreen;
      break;
    default:
      break;
  }
}
