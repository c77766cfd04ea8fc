// bench_pbuffer_switch [CYCLES]: one cycle = enter a 256 x 256 buffer, clear it and draw a thick
// line strip, leave it, draw a small quad in the window with the buffer's texture. Prints the
// median and mean time per cycle for each way of giving the buffer its own state, and the floors:
// the same cycle with no state handling at all, and a clear and swap of the 800 x 600 window.
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <vector>

#include "PBuffer.h"

namespace {

constexpr int kSize = 256;

using Clock = std::chrono::steady_clock;

void drawTrace() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 1, 0, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor4f(1, 1, 1, 0.5f);
  glLineWidth(4);
  glBegin(GL_LINE_STRIP);
  for (int i = 0; i <= 100; ++i) glVertex2f(i / 100.0f, 0.5f + 0.3f * ((i * 37) % 11 - 5) / 5.0f);
  glEnd();
}

void drawTexturedQuad(GLuint texture) {
  glViewport(0, 0, 800, 600);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 800, 0, 600, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(10, 10);
  glTexCoord2f(1, 0);
  glVertex2f(74, 10);
  glTexCoord2f(1, 1);
  glVertex2f(74, 74);
  glTexCoord2f(0, 1);
  glVertex2f(10, 74);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

// A framebuffer object in the window's context: colour texture plus depth/stencil renderbuffer.
struct WindowFbo {
  GLuint framebuffer = 0, texture = 0, depth = 0;
  void create() {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kSize, kSize);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }
};

// The fixed-function state a buffer of its own would have to carry between its uses when it
// shares the window's context: read at leave, written at enter. Fewer items than GL really has
// (no texture coordinate generation planes, material, light parameters, pixel transfer, ...), so
// this variant's figure is a lower bound.
struct SavedState {
  static constexpr GLenum kCaps[] = {GL_BLEND,
                                     GL_DEPTH_TEST,
                                     GL_ALPHA_TEST,
                                     GL_STENCIL_TEST,
                                     GL_FOG,
                                     GL_LIGHTING,
                                     GL_CULL_FACE,
                                     GL_SCISSOR_TEST,
                                     GL_COLOR_MATERIAL,
                                     GL_NORMALIZE,
                                     GL_POLYGON_OFFSET_FILL,
                                     GL_LINE_SMOOTH,
                                     GL_DITHER,
                                     GL_VERTEX_PROGRAM_ARB,
                                     GL_FRAGMENT_PROGRAM_ARB};
  static constexpr GLenum kUnitCaps[] = {GL_TEXTURE_1D,    GL_TEXTURE_2D,    GL_TEXTURE_3D,    GL_TEXTURE_CUBE_MAP,
                                         GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
  GLboolean caps[std::size(kCaps)] = {};
  GLboolean lights[8] = {};
  GLboolean unitCaps[8][std::size(kUnitCaps)] = {};
  GLint bound2D[8] = {}, boundCube[8] = {}, envMode[8] = {};
  GLfloat textureMatrix[8][16] = {};
  GLint blendSrc = GL_ONE, blendDst = GL_ZERO, depthFunc = GL_LESS, alphaFunc = GL_ALWAYS, stencilFunc = GL_ALWAYS;
  GLint cullMode = GL_BACK, frontFace = GL_CCW, polygonMode[2] = {GL_FILL, GL_FILL}, fogMode = GL_EXP;
  GLint depthMask = GL_TRUE, activeUnit = GL_TEXTURE0, matrixMode = GL_MODELVIEW, program = 0;
  GLfloat colour[4] = {1, 1, 1, 1}, clearColour[4] = {}, lineWidth = 1, alphaRef = 0;
  GLfloat projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  GLfloat modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  SavedState() {
    for (auto& unit : textureMatrix) std::copy(projection, projection + 16, unit);
    for (GLint& mode : envMode) mode = GL_MODULATE;
  }

  void read() {
    for (size_t i = 0; i < std::size(kCaps); ++i) caps[i] = glIsEnabled(kCaps[i]);
    for (int i = 0; i < 8; ++i) lights[i] = glIsEnabled(GLenum(GL_LIGHT0 + i));
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    for (int u = 0; u < 8; ++u) {
      glActiveTexture(GLenum(GL_TEXTURE0 + u));
      for (size_t i = 0; i < std::size(kUnitCaps); ++i) unitCaps[u][i] = glIsEnabled(kUnitCaps[i]);
      glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound2D[u]);
      glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &boundCube[u]);
      glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode[u]);
      glGetFloatv(GL_TEXTURE_MATRIX, textureMatrix[u]);
    }
    glActiveTexture(GLenum(activeUnit));
    glGetIntegerv(GL_BLEND_SRC, &blendSrc);
    glGetIntegerv(GL_BLEND_DST, &blendDst);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
    glGetFloatv(GL_ALPHA_TEST_REF, &alphaRef);
    glGetIntegerv(GL_STENCIL_FUNC, &stencilFunc);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    glGetIntegerv(GL_FOG_MODE, &fogMode);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glGetProgramivARB(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &program);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  }

  void write() const {
    for (size_t i = 0; i < std::size(kCaps); ++i) caps[i] ? glEnable(kCaps[i]) : glDisable(kCaps[i]);
    for (int i = 0; i < 8; ++i) lights[i] ? glEnable(GLenum(GL_LIGHT0 + i)) : glDisable(GLenum(GL_LIGHT0 + i));
    for (int u = 0; u < 8; ++u) {
      glActiveTexture(GLenum(GL_TEXTURE0 + u));
      for (size_t i = 0; i < std::size(kUnitCaps); ++i)
        unitCaps[u][i] ? glEnable(kUnitCaps[i]) : glDisable(kUnitCaps[i]);
      glBindTexture(GL_TEXTURE_2D, GLuint(bound2D[u]));
      glBindTexture(GL_TEXTURE_CUBE_MAP, GLuint(boundCube[u]));
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode[u]);
      glMatrixMode(GL_TEXTURE);
      glLoadMatrixf(textureMatrix[u]);
    }
    glActiveTexture(GLenum(activeUnit));
    glBlendFunc(GLenum(blendSrc), GLenum(blendDst));
    glDepthFunc(GLenum(depthFunc));
    glDepthMask(GLboolean(depthMask));
    glAlphaFunc(GLenum(alphaFunc), alphaRef);
    glStencilFunc(GLenum(stencilFunc), 0, 0xFFFFFFFFu);
    glCullFace(GLenum(cullMode));
    glFrontFace(GLenum(frontFace));
    glPolygonMode(GL_FRONT, GLenum(polygonMode[0]));
    glPolygonMode(GL_BACK, GLenum(polygonMode[1]));
    glFogi(GL_FOG_MODE, fogMode);
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, GLuint(program));
    glColor4fv(colour);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glLineWidth(lineWidth);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelView);
    glMatrixMode(GLenum(matrixMode));
  }
};

struct Result {
  const char* name;
  double medianUs, meanUs;
};

Result measure(const char* name, int cycles, const std::function<void()>& cycle) {
  for (int i = 0; i < 20; ++i) cycle();  // warm up
  glFinish();
  std::vector<double> times;
  times.reserve(size_t(cycles));
  double total = 0;
  for (int i = 0; i < cycles; ++i) {
    const auto start = Clock::now();
    cycle();
    glFinish();  // every variant pays for its drawing inside the cycle
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    times.push_back(us);
    total += us;
  }
  std::nth_element(times.begin(), times.begin() + cycles / 2, times.end());
  return {name, times[size_t(cycles / 2)], total / cycles};
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bench_pbuffer_switch: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_Window* window = SDL_CreateWindow("pbuffer_switch", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    std::fprintf(stderr, "bench_pbuffer_switch: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_MakeCurrent(window, context);
  std::printf("GL: %s, %s; video driver %s; %d cycles each\n", glGetString(GL_RENDERER), glGetString(GL_VERSION),
              SDL_GetCurrentVideoDriver(), cycles);

  std::vector<Result> results;
  {
    PBuffer buffer;
    buffer.initialize(kSize, kSize, false);
    buffer.createTexture(GL_REPEAT, GL_LINEAR, GL_NEAREST);
    results.push_back(measure("second context (PBuffer: glFinish, switch)", cycles, [&] {
      buffer.enable();
      glClear(GL_COLOR_BUFFER_BIT);
      drawTrace();
      buffer.disable();
      drawTexturedQuad(buffer.getTexture());
    }));
  }
  {
    // The same switch with only a flush (the switch flushes anyway): what the wait costs.
    int sharing = 0;
    SDL_GL_GetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, &sharing);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    SDL_GLContext own = SDL_GL_CreateContext(window);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, sharing);
    WindowFbo fbo;
    fbo.create();  // in the new context, which SDL made current
    glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
    SDL_GL_MakeCurrent(window, context);
    results.push_back(measure("second context, switch only (no wait)", cycles, [&] {
      SDL_GL_MakeCurrent(window, own);
      glViewport(0, 0, kSize, kSize);
      glClear(GL_COLOR_BUFFER_BIT);
      drawTrace();
      SDL_GL_MakeCurrent(window, context);
      drawTexturedQuad(fbo.texture);
    }));
    SDL_GL_DeleteContext(own);
    SDL_GL_MakeCurrent(window, context);
  }
  WindowFbo fbo;
  fbo.create();
  const auto enter = [&] {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
    glViewport(0, 0, kSize, kSize);
  };
  const auto leave = [&] { glBindFramebuffer(GL_FRAMEBUFFER, 0); };
  results.push_back(measure("window context, attribute push/pop (leaks in)", cycles, [&] {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    enter();
    glClear(GL_COLOR_BUFFER_BIT);
    drawTrace();
    leave();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    drawTexturedQuad(fbo.texture);
  }));
  SavedState bufferState;
  results.push_back(measure("window context, push/pop + buffer state written and read", cycles, [&] {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    bufferState.write();
    enter();
    glClear(GL_COLOR_BUFFER_BIT);
    drawTrace();
    bufferState.read();
    leave();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    drawTexturedQuad(fbo.texture);
  }));
  results.push_back(measure("floor: framebuffer switch only, no state handling", cycles, [&] {
    enter();
    glClear(GL_COLOR_BUFFER_BIT);
    drawTrace();
    leave();
    drawTexturedQuad(fbo.texture);
  }));
  results.push_back(measure("floor: clear and swap of the 800 x 600 window", std::max(10, cycles / 10), [&] {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
  }));
  for (const Result& r : results) std::printf("%-58s median %7.1f us, mean %7.1f us\n", r.name, r.medianUs, r.meanUs);

  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
