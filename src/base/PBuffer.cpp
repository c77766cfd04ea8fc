#include "PBuffer.h"

#include "ErrorReport.h"
#include "Switches.h"

#include <SDL.h>

#include <cstdio>

namespace {

const char* const kCouldNotCreate = "PBuffer: Could not create. ";

void failCreation(const char* reason) { reportErrorText(__FILE__, __LINE__, kCouldNotCreate, reason, true); }

// Storage errors of the attachments, as the window system's error names.
bool checkAllocation() {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return true;
  failCreation(error == GL_OUT_OF_MEMORY ? "ERROR_NO_SYSTEM_RESOURCES" : glErrorName(error));
  return false;
}

// A context drawing to its window's default framebuffer draws to the back buffer.
void selectBackBufferOfWindow() {
  GLint draw = -1;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
  GLboolean doubleBuffered = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
  if (draw != 0 || !doubleBuffered) return;
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
}

}  // namespace

PBuffer::~PBuffer() { destroy(); }

bool PBuffer::isSupported() {
  return epoxy_gl_version() >= 30 || epoxy_has_gl_extension("GL_ARB_framebuffer_object");
}

bool PBuffer::hasRenderDepthTexture() {
  if (Switches::isOn(Switch::NoRenderDepthTexture)) return false;
  return isSupported() && (epoxy_gl_version() >= 14 || epoxy_has_gl_extension("GL_ARB_depth_texture"));
}

void PBuffer::setRenderDepthTextureMissing(bool missing) { Switches::set(Switch::NoRenderDepthTexture, missing); }

const char* PBuffer::framebufferStatusText(GLenum status) {
  switch (status) {
    case GL_FRAMEBUFFER_COMPLETE: return "GL_FRAMEBUFFER_COMPLETE";
    case GL_FRAMEBUFFER_UNDEFINED: return "GL_FRAMEBUFFER_UNDEFINED";
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT: return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER: return "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER: return "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER";
    case GL_FRAMEBUFFER_UNSUPPORTED: return "GL_FRAMEBUFFER_UNSUPPORTED";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE: return "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE";
    case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS: return "GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS";
    default: {
      static char text[32];
      std::snprintf(text, sizeof text, "ErrorCode: %d\n", int(status));
      return text;
    }
  }
}

bool PBuffer::initialize(int width, int height, bool depthTexture) {
  if (_initialized) return true;
  checkGLError(__FILE__, __LINE__);
  _width = width;
  _height = height;
  if (!isSupported()) {
    reportError(__FILE__, __LINE__, "PBuffer: Error in wglChoosePixelFormatARB", true);
    return false;
  }
  if (depthTexture && !hasRenderDepthTexture()) {
    reportError(__FILE__, __LINE__, "PBuffer: No pixel formats found", true);
    return false;
  }
  GLint maxRenderbuffer = 0, maxTexture = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  if (width <= 0 || height <= 0 || width > maxRenderbuffer || height > maxRenderbuffer || width > maxTexture ||
      height > maxTexture) {
    failCreation("ERROR_INVALID_DATA");
    return false;
  }

  // The buffer's own context, sharing objects with the current one. SDL makes it current.
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  SDL_GLContext caller = SDL_GL_GetCurrentContext();
  if (!window || !caller) {
    reportError(__FILE__, __LINE__, "PBuffer: Could not get device context", true);
    return false;
  }
  int sharing = 0;
  SDL_GL_GetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, &sharing);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  _context = SDL_GL_CreateContext(window);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, sharing);
  if (!_context) {
    SDL_GL_MakeCurrent(window, caller);
    reportErrorText(__FILE__, __LINE__, "PBuffer: Could not create resource context", SDL_GetError(), true);
    return false;
  }
  _window = window;
  const bool created = createTargets(depthTexture);
  if (!created) deleteTargets();
  SDL_GL_MakeCurrent(window, caller);
  if (!created) {
    SDL_GL_DeleteContext(_context);
    forget();
    return false;
  }
  _initialized = true;
  return true;
}

bool PBuffer::createTargets(bool depthTexture) {
  const int width = _width, height = _height;
  if (!_colorTexture) glGenTextures(1, &_colorTexture);
  glBindTexture(GL_TEXTURE_2D, _colorTexture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  // Sampling needs a complete texture even before createTexture chooses the parameters.
  if (!_textureCreated) applyTextureParameters(_colorTexture, GL_CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR);
  if (depthTexture) {
    glGenTextures(1, &_depthTexture);
    glBindTexture(GL_TEXTURE_2D, _depthTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH24_STENCIL8, width, height, 0, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8,
                 nullptr);
    GLint wrap = GL_CLAMP_TO_EDGE, minFilter = GL_LINEAR, magFilter = GL_LINEAR;
    if (_textureCreated) {  // createTexture came first: its parameters hold for both textures
      glBindTexture(GL_TEXTURE_2D, _colorTexture);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    }
    applyTextureParameters(_depthTexture, wrap, minFilter, magFilter);
  } else {
    glGenRenderbuffers(1, &_depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, _depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  }
  if (!checkAllocation()) return false;

  glGenFramebuffers(1, &_framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, _colorTexture, 0);
  if (depthTexture) {
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, _depthTexture, 0);
  } else {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, _depthBuffer);
  }
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    failCreation(framebufferStatusText(status));
    return false;
  }
  if (!checkAllocation()) return false;

  // The size granted is the colour texture's.
  glBindTexture(GL_TEXTURE_2D, _colorTexture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &_width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &_height);
  // Everything but the framebuffer binding back at GL's defaults for the first enable.
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  return true;
}

void PBuffer::deleteTargets() {
  if (_framebuffer) glDeleteFramebuffers(1, &_framebuffer);
  if (_depthBuffer) glDeleteRenderbuffers(1, &_depthBuffer);
  if (_depthTexture) glDeleteTextures(1, &_depthTexture);
  if (_colorTexture) glDeleteTextures(1, &_colorTexture);
}

void PBuffer::forget() {
  _framebuffer = _depthBuffer = _depthTexture = _colorTexture = 0;
  _context = _window = nullptr;
  _enableDepth = 0;
  _redirected = false;
  _textureCreated = false;
  _initialized = false;
}

void PBuffer::applyTextureParameters(GLuint texture, GLint wrapMode, GLint minFilter, GLint magFilter) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapMode);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapMode);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

bool PBuffer::createTexture(GLint wrapMode, GLint minFilter, GLint magFilter) {
  if (_textureCreated) return false;
  if (!_colorTexture) glGenTextures(1, &_colorTexture);
  if (_depthTexture) applyTextureParameters(_depthTexture, wrapMode, minFilter, magFilter);
  applyTextureParameters(_colorTexture, wrapMode, minFilter, magFilter);  // left bound
  _textureCreated = true;
  return true;
}

// initialize gave the colour texture these parameters already when none had been chosen, so the
// caller's texture bindings stay untouched.
void PBuffer::createDefaultTexture() { _textureCreated = true; }

void PBuffer::enable() {
  checkGLError(__FILE__, __LINE__);
  if (!_initialized) {
    reportError(__FILE__, __LINE__, "PBuffer not initialized", false);
    return;
  }
  if (_enableDepth >= kMaxEnableDepth) {
    reportError(__FILE__, __LINE__, "PBuffer::enable() failed", true);
    return;
  }
  if (!_textureCreated) createDefaultTexture();
  SavedContext& saved = _saved[_enableDepth];
  saved.window = SDL_GL_GetCurrentWindow();
  saved.context = SDL_GL_GetCurrentContext();
  if (saved.context != _context && SDL_GL_MakeCurrent(static_cast<SDL_Window*>(_window), _context) != 0) {
    reportErrorText(__FILE__, __LINE__, "PBuffer::enable() failed", SDL_GetError(), true);
    return;
  }
  ++_enableDepth;
  glBindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glViewport(0, 0, _width, _height);
  checkGLError(__FILE__, __LINE__);
}

void PBuffer::disable() {
  checkGLError(__FILE__, __LINE__);
  if (_enableDepth == 0) {
    reportError(__FILE__, __LINE__, "PBuffer::disable failed", false);
    return;
  }
  const SavedContext& saved = _saved[--_enableDepth];
  if (saved.context == _context) return;  // a nested enable of this same buffer
  if (_redirected) attachColour(0, 0);
  // Contexts see each other's drawing only once it is complete: the caller is about to sample
  // the buffer's texture.
  glFinish();
  if (SDL_GL_MakeCurrent(static_cast<SDL_Window*>(saved.window), saved.context) != 0) {
    reportErrorText(__FILE__, __LINE__, "PBuffer::disable failed", SDL_GetError(), false);
    return;
  }
  if (!saved.context) return;
  selectBackBufferOfWindow();
  checkGLError(__FILE__, __LINE__);
}

bool PBuffer::isCurrent() const { return _initialized && _enableDepth > 0 && SDL_GL_GetCurrentContext() == _context; }

void PBuffer::redirectColour(GLuint first, GLuint second) {
  if (!isCurrent()) {
    reportError(__FILE__, __LINE__, "PBuffer::redirectColour failed", false);
    return;
  }
  attachColour(first, second);
  checkGLError(__FILE__, __LINE__);
}

void PBuffer::attachColour(GLuint first, GLuint second) {
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, first ? first : _colorTexture, 0);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, first ? second : 0, 0);
  static const GLenum kBoth[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
  if (first && second)
    glDrawBuffers(2, kBoth);
  else
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
  _redirected = first != 0;
}

void PBuffer::bind(int buffer) {
  if (!_initialized) {
    reportError(__FILE__, __LINE__, "PBuffer not initialised", false);
    return;
  }
  checkGLError(__FILE__, __LINE__);
  glBindTexture(GL_TEXTURE_2D, getTexture());
  checkGLError(__FILE__, __LINE__);
  if (buffer == WGL_DEPTH_COMPONENT_NV && _depthTexture) {
    glBindTexture(GL_TEXTURE_2D, _depthTexture);
  } else if (buffer != WGL_FRONT_LEFT_ARB) {
    reportError(__FILE__, __LINE__, "PBuffer::bind failed", false);
  }
}

void PBuffer::release(int buffer) {
  // The texture is the buffer's own storage, so there is nothing to detach; only a buffer that
  // could not have been bound fails.
  const bool known = buffer == WGL_FRONT_LEFT_ARB || (buffer == WGL_DEPTH_COMPONENT_NV && _depthTexture);
  if (!_initialized || !known) reportError(__FILE__, __LINE__, "PBuffer::release failed", false);
}

void PBuffer::abandon() {
  if (!_initialized) return;
  SDL_GL_DeleteContext(_context);
  forget();
}

void PBuffer::destroy() {
  if (!_initialized) return;
  // After the window's context is gone (effects are destroyed after the window at shutdown)
  // the shared objects went with it: only forget them. Deleting the buffer's context is safe
  // then too; SDL ignores it once its GL library is unloaded.
  if (!SDL_GL_GetCurrentContext()) {
    SDL_GL_DeleteContext(_context);
    forget();
    return;
  }
  while (_enableDepth > 0) disable();
  // The framebuffer is deleted in the buffer's own context, which made it: deleting the context
  // alone leaves it (and the textures it holds) alive in the share group.
  SDL_Window* const window = SDL_GL_GetCurrentWindow();
  SDL_GLContext const caller = SDL_GL_GetCurrentContext();
  if (SDL_GL_MakeCurrent(static_cast<SDL_Window*>(_window), _context) == 0) {
    deleteTargets();
    SDL_GL_MakeCurrent(window, caller);
  } else {
    reportErrorText(__FILE__, __LINE__, "PBuffer::destroy failed", SDL_GetError(), false);
    _framebuffer = 0;
    deleteTargets();  // the shared objects at least
  }
  SDL_GL_DeleteContext(_context);
  forget();
}
