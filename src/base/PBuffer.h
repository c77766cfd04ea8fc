#pragma once
// Off-screen render target bound as a texture afterwards. Built on a framebuffer object: an RGBA8
// colour texture plus a depth-24/stencil-8 renderbuffer, or, for the depth variant, a depth-24/
// stencil-8 texture that can be bound instead of the colour.
//
// A window-system pixel buffer had its own GL context. That is emulated: enable() saves the
// current render target together with the attribute state (glPushAttrib/glPushClientAttrib, all
// bits) and both the projection and the model-view matrix; disable() returns to the saved target
// and restores all of it, so state set while the buffer is enabled does not leak into the target
// that was current before. Enables nest (an enabled buffer may enable another one).
//
// Calling pattern: initialize once, createTexture once, then per frame enable / clear and
// render / disable, and later bind / draw with the texture / release.
#include <epoxy/gl.h>

// Buffer names for bind and release, with the values of the window-system names they stand for.
constexpr int WGL_FRONT_LEFT_ARB = 0x2083;      // the colour buffer
constexpr int WGL_DEPTH_COMPONENT_NV = 0x20A7;  // the depth buffer (depth variant only)

class PBuffer {
 public:
  PBuffer() = default;
  // Releases everything (destroy); the GL context that made the buffer must still be current or
  // already gone.
  ~PBuffer();
  PBuffer(const PBuffer&) = delete;
  PBuffer& operator=(const PBuffer&) = delete;

  // Creates the render target of width x height; depthTexture makes the depth buffer bindable.
  // Returns true. Does nothing when already initialised (even with another size). Failures are
  // fatal: "PBuffer: Error in wglChoosePixelFormatARB" without framebuffer objects, "PBuffer: No
  // pixel formats found" for a depth buffer without render-depth-texture support, "PBuffer: Could
  // not create. " with ERROR_INVALID_DATA (bad size), ERROR_NO_SYSTEM_RESOURCES (out of memory)
  // or the framebuffer status name of an incomplete framebuffer.
  bool initialize(int width, int height, bool depthTexture);
  bool isInitialized() const { return _initialized; }

  // Gives the buffer its texture with these S/T wrap mode and filters (on the depth texture too,
  // for the depth variant) and leaves it bound to GL_TEXTURE_2D. False when it already has one.
  bool createTexture(GLint wrapMode, GLint minFilter, GLint magFilter);

  // Makes this buffer the render target: saves the current target and state, selects the colour
  // buffer for drawing and reading, sets the viewport to (0, 0, width, height). Not initialised:
  // non-fatal report "PBuffer not initialized". Creates the default texture (clamp to edge,
  // linear) when none was created.
  void enable();
  // Returns to the target saved by enable and restores the saved state; the window target gets
  // GL_BACK for drawing and reading when it is double-buffered. Without a matching enable:
  // non-fatal report "PBuffer::disable failed".
  void disable();
  bool isEnabled() const { return _enableDepth > 0; }

  // Binds the texture holding the buffer (WGL_FRONT_LEFT_ARB: colour; WGL_DEPTH_COMPONENT_NV:
  // depth) to GL_TEXTURE_2D of the active unit. Not initialised: "PBuffer not initialised"; an
  // unknown or unavailable buffer: "PBuffer::bind failed" (both non-fatal).
  void bind(int buffer);
  // Ends the use begun by bind; must come before the buffer is rendered into again. An unknown
  // or unavailable buffer: non-fatal "PBuffer::release failed".
  void release(int buffer);

  // Releases the framebuffer and its textures (after a disable if still enabled); initialize
  // works again afterwards. Does nothing when not initialised.
  void destroy();

  int getWidth() const { return _width; }    // granted size in pixels
  int getHeight() const { return _height; }  // granted size in pixels
  // The colour texture (0 until a texture was created).
  GLuint getTexture() const { return _textureCreated ? _colorTexture : 0; }
  // The depth texture of the depth variant (0 otherwise).
  GLuint getDepthTexture() const { return _depthTexture; }
  // The framebuffer object (0 when not initialised), for tests and diagnostics.
  GLuint getFramebuffer() const { return _framebuffer; }

  // True when the GL offers framebuffer objects (stands for pixel buffers with render-to-texture).
  static bool isSupported();
  // True when depth buffers can be bound as textures (stands for WGL_NV_render_depth_texture):
  // whenever depth-texture framebuffers work, unless switched off by setRenderDepthTextureMissing
  // or the environment variable RK17_NO_RENDER_DEPTH_TEXTURE=1 (so the copy paths can be tested).
  static bool hasRenderDepthTexture();
  static void setRenderDepthTextureMissing(bool missing);

  // Readable name of a framebuffer status ("GL_FRAMEBUFFER_UNSUPPORTED", ...); unknown values
  // give "ErrorCode: <value>\n".
  static const char* framebufferStatusText(GLenum status);

 private:
  void createDefaultTexture();
  void applyTextureParameters(GLuint texture, GLint wrapMode, GLint minFilter, GLint magFilter);

  GLuint _colorTexture = 0;   // colour attachment; the buffer's texture once created
  GLuint _depthTexture = 0;   // depth variant: depth/stencil attachment as a texture
  GLuint _depthBuffer = 0;    // colour variant: depth/stencil renderbuffer
  GLuint _framebuffer = 0;    // 0 until initialised
  // Targets current when enable was called, innermost last (an enabled buffer may be enabled
  // again; each disable returns to the target of its own enable).
  struct SavedTarget {
    GLint drawFramebuffer;
    GLint readFramebuffer;
  };
  static constexpr int kMaxEnableDepth = 16;  // the attribute stack is at least this deep
  SavedTarget _saved[kMaxEnableDepth] = {};
  int _enableDepth = 0;
  int _width = 0;             // pixels
  int _height = 0;            // pixels
  bool _initialized = false;
  bool _textureCreated = false;
};
