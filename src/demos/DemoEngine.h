#pragma once
// The program's single window with its GL context, and the display-mode switch for full screen.
// The event handling stands in for the window procedure: it turns window close into the end of
// the show and hands the four keys to the entry once input is enabled.
#include <SDL.h>

#include <string>

// Receives the actions of the window procedure (implemented by the entry).
class DemoInput {
 public:
  virtual ~DemoInput() = default;
  virtual bool inputEnabled() const = 0;
  virtual void onKeyDown(SDL_Keycode key) = 0;  // Escape, Space, M, F1; other keys are not passed
  // Further keys the entry takes (authoring).
  virtual bool wantsKey(SDL_Keycode) const { return false; }
};

class DemoEngine {
 public:
  DemoEngine() = default;
  ~DemoEngine();
  DemoEngine(const DemoEngine&) = delete;
  DemoEngine& operator=(const DemoEngine&) = delete;

  // Creates the window and makes its GL context current. False (after an information box)
  // when video cannot start, the user declines windowed mode or the window cannot be made;
  // context failures are fatal. parent is unused (kept for the call's shape).
  bool create(const char* title, int width, int height, int bits, bool fullscreen, void* parent);
  // Releases what exists: desktop mode if created full screen, the context, the window, video.
  void destroy();
  // Switches between the demo display mode (true) and the desktop mode (false); failures ignored.
  void setFullscreenMode(bool on);
  // The window procedure for one event.
  void handleEvent(const SDL_Event& event, DemoInput& input);
  void swapBuffers();

  bool isFullscreen() const { return _fullscreen; }
  SDL_Window* window() const { return _window; }
  SDL_GLContext context() const { return _context; }
  unsigned long swapCount() const { return _swapCount; }  // buffers swapped since create

 private:
  // Switches the window to width x height full screen; false when no such mode exists.
  bool enterDemoMode();

  std::string _title;
  bool _fullscreen = false;
  bool _videoStarted = false;  // stands in for the registered window class
  SDL_GLContext _context = nullptr;
  SDL_Window* _window = nullptr;
  int _width = 0;
  int _height = 0;
  unsigned long _swapCount = 0;
  bool _offscreen = false;  // SDL's offscreen video driver
};
