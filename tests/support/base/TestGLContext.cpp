#include "TestGLContext.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <png.h>

#include "GLGeneration.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void setContextAttributes() {
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

SDL_Window* createWindow(int width, int height) {
  SDL_Window* window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) std::fprintf(stderr, "TestGLContext: %s\n", SDL_GetError());
  return window;
}

// The process's root context. Never destroyed.
struct SharedState {
  SDL_Window* rootWindow = nullptr;
  SDL_GLContext root = nullptr;
};

SharedState& shared() {
  static SharedState* const state = new SharedState();
  return *state;
}

// The video subsystem (held for the process) and the root context; false when either fails.
bool ensureRoot() {
  SharedState& state = shared();
  if (state.root) return true;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "TestGLContext: %s\n", SDL_GetError());
    return false;
  }
  setContextAttributes();
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  state.rootWindow = createWindow(16, 16);
  if (!state.rootWindow) return false;
  state.root = SDL_GL_CreateContext(state.rootWindow);
  if (!state.root) {
    std::fprintf(stderr, "TestGLContext: %s\n", SDL_GetError());
    return false;
  }
  return true;
}

}  // namespace

TestGLContext::TestGLContext(int width, int height) : _width(width), _height(height) {
  if (!ensureRoot()) return;
  // A new window each time: SDL picks the window's pixel format from the attributes at its
  // creation and gives new contexts that format, so a window made after the program under test
  // set other attributes would not match an older one.
  setContextAttributes();
  SDL_Window* window = createWindow(width, height);
  if (!window) return;
  _window = window;
  SharedState& state = shared();
  SDL_GL_MakeCurrent(state.rootWindow, state.root);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  _context = SDL_GL_CreateContext(window);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  if (!_context) {
    std::fprintf(stderr, "TestGLContext: %s\n", SDL_GetError());
    return;
  }
  SDL_GL_MakeCurrent(window, _context);
  GLGeneration::advance();
  glViewport(0, 0, width, height);
}

// The window stays: a pixel buffer made while this context was current makes its own context
// current with it.
TestGLContext::~TestGLContext() {
  if (_context) SDL_GL_DeleteContext(_context);
}

uint32_t TestGLContext::readPixel(int x, int y) const {
  uint8_t p[4] = {0, 0, 0, 0};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool TestGLContext::savePng(const char* path) const {
  std::vector<uint8_t> pixels(size_t(_width) * _height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, _width, _height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = _width;
  image.height = _height;
  image.format = PNG_FORMAT_RGB;
  // Negative stride: GL rows are bottom-up.
  const int stride = -_width * 3;
  return png_image_write_to_file(&image, path, 0, pixels.data(), stride, nullptr) != 0;
}
