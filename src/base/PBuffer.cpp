#include "PBuffer.h"

#include "ErrorReport.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The window's render target, captured by the first initialize of any buffer (whatever is
// bound then: the window's framebuffer).
GLint gWindowFramebuffer = 0;
bool gWindowCaptured = false;

bool gRenderDepthTextureMissing = false;  // test switch

const char* const kCouldNotCreate = "PBuffer: Could not create. ";

// Restores the bindings that initialize touches, so creating a buffer changes no caller state.
class BindingGuard {
 public:
  BindingGuard() {
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &_texture);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &_renderbuffer);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &_draw);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &_read);
  }
  ~BindingGuard() {
    glBindTexture(GL_TEXTURE_2D, GLuint(_texture));
    glBindRenderbuffer(GL_RENDERBUFFER, GLuint(_renderbuffer));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(_draw));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(_read));
  }

 private:
  GLint _texture = 0, _renderbuffer = 0, _draw = 0, _read = 0;
};

void failCreation(const char* reason) { reportErrorText(__FILE__, __LINE__, kCouldNotCreate, reason, true); }

// Storage errors of the attachments, as the window system's error names.
void checkAllocation() {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return;
  failCreation(error == GL_OUT_OF_MEMORY ? "ERROR_NO_SYSTEM_RESOURCES" : glErrorName(error));
}

}  // namespace

PBuffer::~PBuffer() { destroy(); }

bool PBuffer::isSupported() {
  return epoxy_gl_version() >= 30 || epoxy_has_gl_extension("GL_ARB_framebuffer_object");
}

bool PBuffer::hasRenderDepthTexture() {
  if (gRenderDepthTextureMissing) return false;
  const char* env = std::getenv("RK17_NO_RENDER_DEPTH_TEXTURE");
  if (env && std::strcmp(env, "1") == 0) return false;
  return isSupported() && (epoxy_gl_version() >= 14 || epoxy_has_gl_extension("GL_ARB_depth_texture"));
}

void PBuffer::setRenderDepthTextureMissing(bool missing) { gRenderDepthTextureMissing = missing; }

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
  if (!gWindowCaptured) {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &gWindowFramebuffer);
    gWindowCaptured = true;
  }
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

  BindingGuard guard;
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
  checkAllocation();

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
  checkAllocation();

  // The size granted is the colour texture's.
  glBindTexture(GL_TEXTURE_2D, _colorTexture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &_width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &_height);
  _initialized = true;
  return true;
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

void PBuffer::createDefaultTexture() { createTexture(GL_CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR); }

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
  SavedTarget& saved = _saved[_enableDepth];
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &saved.drawFramebuffer);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &saved.readFramebuffer);
  // The separate context of a pixel buffer, emulated: everything the caller's target had set is
  // saved here and restored by disable.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  // After the push, so that the binding it makes does not stay with the caller.
  if (!_textureCreated) createDefaultTexture();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glBindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
  if (glGetError() != GL_NO_ERROR || glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    reportError(__FILE__, __LINE__, "PBuffer::enable() failed", true);
    return;
  }
  ++_enableDepth;
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
  const SavedTarget& saved = _saved[--_enableDepth];
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  // Back to the saved target first: the attribute pop restores its draw buffer selection.
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(saved.drawFramebuffer));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(saved.readFramebuffer));
  glPopClientAttrib();
  glPopAttrib();
  if (saved.drawFramebuffer == gWindowFramebuffer) {
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    if (doubleBuffered) {
      glDrawBuffer(GL_BACK);
      glReadBuffer(GL_BACK);
    }
  }
  checkGLError(__FILE__, __LINE__);
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

void PBuffer::destroy() {
  if (!_initialized) return;
  // After the window's context is gone (effects are destroyed after the window at shutdown)
  // the GL objects went with it: only forget them.
  if (!SDL_GL_GetCurrentContext()) {
    _framebuffer = _depthBuffer = _depthTexture = _colorTexture = 0;
    _enableDepth = 0;
    _textureCreated = false;
    _initialized = false;
    return;
  }
  while (_enableDepth > 0) disable();
  GLint draw = 0, read = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  if (GLuint(draw) == _framebuffer) glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(gWindowFramebuffer));
  if (GLuint(read) == _framebuffer) glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(gWindowFramebuffer));
  glDeleteFramebuffers(1, &_framebuffer);
  if (_depthBuffer) glDeleteRenderbuffers(1, &_depthBuffer);
  if (_depthTexture) glDeleteTextures(1, &_depthTexture);
  glDeleteTextures(1, &_colorTexture);
  _framebuffer = _depthBuffer = _depthTexture = _colorTexture = 0;
  _textureCreated = false;
  _initialized = false;
}
