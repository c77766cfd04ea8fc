#pragma once
// A hidden window with a current compatibility GL context for pixel tests. Uses SDL's
// offscreen video driver unless SDL_VIDEODRIVER is already set. One per test process is enough;
// construct it once (for example in a fixture's SetUpTestSuite).
//
// Code under test keeps some GL objects for the whole process (the scene's shadow pixel buffer,
// shader programs, the normalisation cube map, textures of the texture manager), made in
// whichever context was current first. So that a later suite's context still finds them, every
// context of a test program shares its objects with a root context that lives as long as the
// process, and windows are never destroyed (a pixel buffer makes its own context current with
// the window it was made with).
#include <cstdint>

class TestGLContext {
 public:
  explicit TestGLContext(int width = 800, int height = 600);
  ~TestGLContext();
  bool ok() const { return _context != nullptr; }
  int width() const { return _width; }
  int height() const { return _height; }
  // RGBA of the pixel at (x, y) of the back buffer, y counted from the bottom (GL convention).
  uint32_t readPixel(int x, int y) const;
  // Writes the back buffer (or the current read buffer) as a PNG file; false on failure.
  bool savePng(const char* path) const;

 private:
  void* _window = nullptr;
  void* _context = nullptr;
  int _width;
  int _height;
};

// Channel helpers for readPixel values.
inline int redOf(uint32_t rgba) { return rgba & 0xff; }
inline int greenOf(uint32_t rgba) { return (rgba >> 8) & 0xff; }
inline int blueOf(uint32_t rgba) { return (rgba >> 16) & 0xff; }
inline int alphaOf(uint32_t rgba) { return (rgba >> 24) & 0xff; }
