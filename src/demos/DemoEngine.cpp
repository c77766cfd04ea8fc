#include "DemoEngine.h"

#include <epoxy/gl.h>

#include "Dialog.h"
#include "ErrorReport.h"
#include "GLGeneration.h"

#include <cstdio>

namespace {
// An information report that returns (failures before the window exists).
void reportCreateFailure(const char* file, int line, const char* text, DialogIcon icon) {
  std::fprintf(stderr, "%s:%d %s (%s)\n", file, line, text, SDL_GetError());
  showMessageBox(text, "error", icon);
}
}  // namespace

DemoEngine::~DemoEngine() { destroy(); }

bool DemoEngine::enterDemoMode() {
  const int display = _window ? SDL_GetWindowDisplayIndex(_window) : 0;
  SDL_DisplayMode wanted = {SDL_PIXELFORMAT_RGB888, _width, _height, 0, nullptr};
  SDL_DisplayMode closest;
  if (!SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &wanted, &closest)) return false;
  // A mode of another size "succeeds" on some servers; only the exact size counts.
  if (closest.w != _width || closest.h != _height) return false;
  if (!_window) return true;
  if (SDL_SetWindowDisplayMode(_window, &closest) != 0) return false;
  return SDL_SetWindowFullscreen(_window, SDL_WINDOW_FULLSCREEN) == 0;
}

bool DemoEngine::create(const char* title, int width, int height, int bits, bool fullscreen, void*) {
  _title = title;
  _width = width;
  _height = height;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    reportCreateFailure(__FILE__, __LINE__, "could not register window class", DialogIcon::Information);
    return false;
  }
  _videoStarted = true;
  // With no display SDL falls back to its invisible offscreen driver; only take it when asked for.
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "offscreen") == 0 && !(asked && SDL_strcmp(asked, "offscreen") == 0)) {
    SDL_SetError("no display available");
    reportCreateFailure(__FILE__, __LINE__, "could not register window class", DialogIcon::Information);
    destroy();
    return false;
  }

  _offscreen = SDL_strcmp(SDL_GetCurrentVideoDriver(), "offscreen") == 0;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (fullscreen && !enterDemoMode()) {
    if (!askYesNo("requested fullscreen mode not supported, run windowed?", "Error")) return false;
    fullscreen = false;
    flags |= SDL_WINDOW_BORDERLESS;  // the pop-up style of the full-screen path
  } else if (fullscreen) {
    flags |= SDL_WINDOW_BORDERLESS;
  } else {
    flags |= SDL_WINDOW_RESIZABLE;  // the overlapped window style
  }

  // The pixel format: RGBA 8-8-8-8, depth 24, stencil 8, double buffered, fixed function.
  const int channelBits = bits >= 32 ? 8 : 5;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  _window = SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (!_window) {
    destroy();
    reportCreateFailure(__FILE__, __LINE__, "window creation error", DialogIcon::Warning);
    return false;
  }
  if (fullscreen && !enterDemoMode()) {
    // The mode existed a moment ago; go on windowed rather than fail.
    fullscreen = false;
  }
  _fullscreen = fullscreen;

  _context = SDL_GL_CreateContext(_window);
  if (!_context) {
    destroy();
    reportError(__FILE__, __LINE__, "DemoEngine: Could not create GL context", true);
  }
  if (SDL_GL_MakeCurrent(_window, _context) != 0) {
    destroy();
    reportError(__FILE__, __LINE__, "DemoEngine: Could not activate GL context", true);
  }
  GLGeneration::advance();    // names cached with an earlier window's context are stale now
  SDL_GL_SetSwapInterval(0);  // unsupported on some servers: not an error
  SDL_ShowWindow(_window);
  SDL_RaiseWindow(_window);
  return true;
}

void DemoEngine::destroy() {
  if (_fullscreen && _window) SDL_SetWindowFullscreen(_window, 0);
  _fullscreen = false;
  if (_context) {
    if (SDL_GL_MakeCurrent(_window, nullptr) != 0)
      reportError(__FILE__, __LINE__, "DemoEngine: could not reset device context", true);
    SDL_GL_DeleteContext(_context);
    _context = nullptr;
  }
  if (_window) {
    SDL_DestroyWindow(_window);
    _window = nullptr;
  }
  if (_videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    _videoStarted = false;
  }
}

void DemoEngine::setFullscreenMode(bool on) {
  if (!_window) return;
  if (on) {
    enterDemoMode();
  } else {
    SDL_SetWindowFullscreen(_window, 0);
  }
}

void DemoEngine::handleEvent(const SDL_Event& event, DemoInput& input) {
  if (!input.inputEnabled()) return;  // default handling until the show runs
  if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    return;
  }
  if (event.type != SDL_KEYDOWN) return;  // key releases and the rest: nothing
  const SDL_Keycode key = event.key.keysym.sym;
  if (key == SDLK_ESCAPE || key == SDLK_SPACE || key == SDLK_m || key == SDLK_F1 || input.wantsKey(key))
    input.onKeyDown(key);
}

void DemoEngine::swapBuffers() {
  SDL_GL_SwapWindow(_window);
  // The offscreen driver's surface is a pbuffer, whose swap does nothing: without a flush
  // llvmpipe queues every frame's drawing and the process grows by megabytes a frame.
  if (_offscreen) glFlush();
  ++_swapCount;
}
