#pragma once
// Off-screen render target bound as a texture afterwards. Built on a framebuffer object: an RGBA8
// colour texture plus a depth-24/stencil-8 renderbuffer, or, for the depth variant, a depth-24/
// stencil-8 texture that can be bound instead of the colour.
//
// Each buffer is a GL context of its own, sharing textures, lists and programs with the context
// that was current at initialize (the window's), with its framebuffer object bound. enable()
// makes that context current and disable() makes the saved one current again, so drawing inside
// starts from GL's defaults the first time and afterwards from what the buffer itself left; no
// state of the caller leaks in or out. Enables nest (an enabled buffer may enable another one).
// Chosen over resetting and restoring the state inside the window's context: only a context of
// its own covers every piece of state, and on llvmpipe an enable/disable pair costs under 0.1 ms
// more than that (bench/pbuffer_switch prints both), little against one full-screen quad.
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
  // Releases everything (destroy); a context of the buffer's share group must still be current,
  // or none at all (then the GL objects are only forgotten).
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

  // Makes this buffer's context current (saving the current one), selects the colour buffer for
  // drawing and reading, sets the viewport to (0, 0, width, height). Not initialised: non-fatal
  // report "PBuffer not initialized"; the switch failing: fatal "PBuffer::enable() failed".
  // Creates the default texture (clamp to edge, linear) when none was created.
  void enable();
  // Waits for the drawing inside to finish (the texture is read from other contexts) and makes
  // the context saved by enable current again; a context drawing to its double-buffered window
  // gets GL_BACK for drawing and reading. Without a matching enable, or when the switch fails:
  // non-fatal report "PBuffer::disable failed".
  void disable();
  bool isEnabled() const { return _enableDepth > 0; }
  // True while enabled with its own context current (what redirectColour needs).
  bool isCurrent() const;
  // While enabled: draws go to first (and second, as the fragment program's second output; 0:
  // none) instead of the buffer's colour texture, until called with (0, 0) or disable. Textures
  // of the share group no larger than the buffer (drawing covers the part every attachment has);
  // for passes that write pictures besides their result, or into another buffer's texture,
  // without a switch of context. Not enabled: non-fatal "PBuffer::redirectColour failed".
  void redirectColour(GLuint first, GLuint second);

  // Binds the texture holding the buffer (WGL_FRONT_LEFT_ARB: colour; WGL_DEPTH_COMPONENT_NV:
  // depth) to GL_TEXTURE_2D of the active unit. Not initialised: "PBuffer not initialised"; an
  // unknown or unavailable buffer: "PBuffer::bind failed" (both non-fatal).
  void bind(int buffer);
  // Ends the use begun by bind; must come before the buffer is rendered into again. An unknown
  // or unavailable buffer: non-fatal "PBuffer::release failed".
  void release(int buffer);

  // Releases the framebuffer (in the buffer's own context), its textures and the buffer's
  // context (after a disable if still enabled) and makes the context current before it current
  // again; initialize works again afterwards. Does nothing when not initialised.
  void destroy();
  // Drops the buffer after the window's context it shares objects with was replaced by one of
  // another share group: deletes the buffer's own context (its objects go with their group) and
  // touches no name of the current context. initialize works again afterwards.
  void abandon();

  int getWidth() const { return _width; }    // granted size in pixels
  int getHeight() const { return _height; }  // granted size in pixels
  // The colour texture (0 until a texture was created).
  GLuint getTexture() const { return _textureCreated ? _colorTexture : 0; }
  // The depth texture of the depth variant (0 otherwise).
  GLuint getDepthTexture() const { return _depthTexture; }
  // The framebuffer object, a name in the buffer's own context (0 when not initialised), for
  // tests and diagnostics.
  GLuint getFramebuffer() const { return _framebuffer; }

  // True when the GL offers framebuffer objects (stands for pixel buffers with render-to-texture).
  static bool isSupported();
  // True when depth buffers can be bound as textures (stands for WGL_NV_render_depth_texture):
  // whenever depth-texture framebuffers work, unless the switch NoRenderDepthTexture is on
  // (RK17_NO_RENDER_DEPTH_TEXTURE=1, or setRenderDepthTextureMissing), so the copy paths can be tested.
  static bool hasRenderDepthTexture();
  static void setRenderDepthTextureMissing(bool missing);

  // Readable name of a framebuffer status ("GL_FRAMEBUFFER_UNSUPPORTED", ...); unknown values
  // give "ErrorCode: <value>\n".
  static const char* framebufferStatusText(GLenum status);

 private:
  void createDefaultTexture();
  void applyTextureParameters(GLuint texture, GLint wrapMode, GLint minFilter, GLint magFilter);
  bool createTargets(bool depthTexture);  // in the buffer's context, which is current
  void deleteTargets();                   // in the buffer's context, which is current
  void forget();
  // Colour attachments 0 and 1 of the framebuffer (first 0: the buffer's own texture alone).
  void attachColour(GLuint first, GLuint second);

  GLuint _colorTexture = 0;   // colour attachment; the buffer's texture once created
  GLuint _depthTexture = 0;   // depth variant: depth/stencil attachment as a texture
  GLuint _depthBuffer = 0;    // colour variant: depth/stencil renderbuffer
  GLuint _framebuffer = 0;    // 0 until initialised; lives in _context
  void* _context = nullptr;   // SDL_GLContext of the buffer
  void* _window = nullptr;    // SDL_Window the buffer's context is made current with
  // Contexts current when enable was called, innermost last (an enabled buffer may be enabled
  // again; each disable returns to the context of its own enable).
  struct SavedContext {
    void* window;
    void* context;
  };
  static constexpr int kMaxEnableDepth = 16;
  SavedContext _saved[kMaxEnableDepth] = {};
  int _enableDepth = 0;
  int _width = 0;             // pixels
  int _height = 0;            // pixels
  bool _initialized = false;
  bool _textureCreated = false;
  bool _redirected = false;  // colour attachments other than the buffer's own texture
};
