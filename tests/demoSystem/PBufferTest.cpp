// Off-screen buffers: rendering into them, sampling them as textures, nesting, the state they
// keep from leaking, re-creation, the depth variant and the reports of misuse.
#include "PBuffer.h"
#include "ReportCapture.h"
#include "Switches.h"
#include "ScreenHelpers.h"
#include "GLSuite.h"
#include "TestGLContext.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRed = 0xFF0000FF, kGreen = 0xFF00FF00, kBlue = 0xFFFF0000, kYellow = 0xFF00FFFF;

class PBufferTest : public GLSuite<256, 128> {
 protected:
  void SetUp() override {
    GLSuite::SetUp();
    if (HasFatalFailure()) return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, gContext->width(), gContext->height());
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    PBuffer::setRenderDepthTextureMissing(false);
  }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

  static GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
  }
  static void clearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  static void fill(const ScreenRect& rect, float r, float g, float b) {
    setOrthoProjection();
    glColor4f(r, g, b, 1);
    drawQuad(rect);
    glColor4f(1, 1, 1, 1);
  }
  // Colour texel (x, y) of a buffer, y counted from the first row (the bottom of the picture).
  static uint32_t texel(PBuffer& buffer, int x, int y) {
    std::vector<uint32_t> texels(size_t(buffer.getWidth()) * buffer.getHeight());
    const GLint bound = integer(GL_TEXTURE_BINDING_2D);
    buffer.bind(WGL_FRONT_LEFT_ARB);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    buffer.release(WGL_FRONT_LEFT_ARB);
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    return texels[size_t(y) * buffer.getWidth() + x];
  }
};

TEST_F(PBufferTest, RenderBindAndSample) {
  PBuffer buffer;
  EXPECT_FALSE(buffer.isInitialized());
  ASSERT_TRUE(buffer.initialize(64, 32, false));
  EXPECT_TRUE(buffer.isInitialized());
  EXPECT_EQ(buffer.getWidth(), 64);
  EXPECT_EQ(buffer.getHeight(), 32);
  ASSERT_TRUE(buffer.createTexture(GL_REPEAT, GL_LINEAR, GL_NEAREST));
  EXPECT_FALSE(buffer.createTexture(GL_CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR));
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);  // createTexture left it bound
  EXPECT_EQ(wrap, GL_REPEAT);

  buffer.enable();
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 64);
  EXPECT_EQ(viewport[3], 32);
  clearTo(1, 0, 0);
  // Green over the lower-left quarter (y up: the picture's first rows).
  setOrthoProjectionFlipped();
  glColor4f(0, 1, 0, 1);
  drawQuad(ScreenRect{0, 0, 0.5f, 0.5f});
  glColor4f(1, 1, 1, 1);
  buffer.disable();

  // The window is untouched by the buffer's clear.
  clearTo(0, 0, 1);
  buffer.bind(WGL_FRONT_LEFT_ARB);
  EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), buffer.getTexture());
  setOrthoProjectionFlipped();  // buffer pictures have their first row at the bottom
  glEnable(GL_TEXTURE_2D);
  drawQuad(ScreenRect{0, 0, 1, 1});
  glDisable(GL_TEXTURE_2D);
  buffer.release(WGL_FRONT_LEFT_ARB);
  if (const char* dir = std::getenv("RK17_TEST_PICTURES")) gContext->savePng((std::string(dir) + "/pbuffer.png").c_str());
  EXPECT_EQ(gContext->readPixel(20, 10), kGreen);    // lower-left quarter of the window
  EXPECT_EQ(gContext->readPixel(200, 100), kRed);    // upper right
  EXPECT_EQ(gContext->readPixel(200, 10), kRed);     // lower right
  EXPECT_EQ(gContext->readPixel(20, 100), kRed);     // upper left
}

TEST_F(PBufferTest, EnableGivesATextureWhenNoneWasCreated) {
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(16, 16, false));
  EXPECT_EQ(buffer.getTexture(), 0u);
  buffer.enable();
  buffer.disable();
  ASSERT_NE(buffer.getTexture(), 0u);
  glBindTexture(GL_TEXTURE_2D, buffer.getTexture());
  GLint wrapS = 0, wrapT = 0, minFilter = 0, magFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(minFilter, GL_LINEAR);
  EXPECT_EQ(magFilter, GL_LINEAR);
  EXPECT_FALSE(buffer.createTexture(GL_REPEAT, GL_NEAREST, GL_NEAREST));
}

TEST_F(PBufferTest, InitializeTwiceChangesNothing) {
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(32, 16, false));
  const GLuint framebuffer = buffer.getFramebuffer();
  EXPECT_TRUE(buffer.initialize(128, 128, true));
  EXPECT_EQ(buffer.getWidth(), 32);
  EXPECT_EQ(buffer.getHeight(), 16);
  EXPECT_EQ(buffer.getFramebuffer(), framebuffer);
  EXPECT_EQ(buffer.getDepthTexture(), 0u);
}

TEST_F(PBufferTest, NestedEnablesReturnToTheRightTarget) {
  PBuffer outer, inner;
  ASSERT_TRUE(outer.initialize(32, 32, false));
  ASSERT_TRUE(inner.initialize(16, 8, false));

  clearTo(0, 0, 1);
  outer.enable();
  clearTo(1, 0, 0);
  inner.enable();
  EXPECT_EQ(GLuint(integer(GL_DRAW_FRAMEBUFFER_BINDING)), inner.getFramebuffer());
  clearTo(0, 1, 0);
  inner.disable();
  // Back in the outer buffer, with its viewport: this quad lands there.
  EXPECT_EQ(GLuint(integer(GL_DRAW_FRAMEBUFFER_BINDING)), outer.getFramebuffer());
  EXPECT_EQ(integer(GL_DRAW_BUFFER), GL_COLOR_ATTACHMENT0);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 32);
  fill(ScreenRect{0, 0, 1, 0.5f}, 1, 1, 0);  // top half of the outer buffer
  outer.disable();
  EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
  EXPECT_EQ(integer(GL_READ_FRAMEBUFFER_BINDING), 0);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], gContext->width());
  EXPECT_EQ(viewport[3], gContext->height());

  EXPECT_EQ(gContext->readPixel(5, 5), kBlue);  // the window kept its clear
  EXPECT_EQ(texel(inner, 3, 3), kGreen);
  EXPECT_EQ(texel(outer, 3, 3), kRed);     // bottom half: its own clear
  EXPECT_EQ(texel(outer, 3, 28), kYellow); // top half: drawn after the inner buffer ended
}

TEST_F(PBufferTest, EnablingTheSameBufferTwiceUnwindsInOrder) {
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(8, 8, false));
  buffer.enable();
  buffer.enable();
  EXPECT_TRUE(buffer.isEnabled());
  buffer.disable();
  EXPECT_EQ(GLuint(integer(GL_DRAW_FRAMEBUFFER_BINDING)), buffer.getFramebuffer());
  buffer.disable();
  EXPECT_FALSE(buffer.isEnabled());
  EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
}

// Each probe sets some state inside the buffer and reads it back outside.
struct StateProbe {
  const char* label;
  std::function<void()> change;
  std::function<std::vector<double>()> read;
};

std::vector<double> floats(GLenum name, int count) {
  std::vector<float> v(16, 0.0f);
  glGetFloatv(name, v.data());
  return std::vector<double>(v.begin(), v.begin() + count);
}
std::vector<double> enabled(GLenum cap) { return {double(glIsEnabled(cap))}; }

TEST_F(PBufferTest, StateSetInsideDoesNotLeakOut) {
  GLuint someTexture = 0;
  glGenTextures(1, &someTexture);
  const std::vector<StateProbe> probes = {
      {"blend", [] { glEnable(GL_BLEND); }, [] { return enabled(GL_BLEND); }},
      {"depth test", [] { glEnable(GL_DEPTH_TEST); }, [] { return enabled(GL_DEPTH_TEST); }},
      {"depth mask", [] { glDepthMask(GL_FALSE); }, [] { return floats(GL_DEPTH_WRITEMASK, 1); }},
      {"blend func", [] { glBlendFunc(GL_ONE, GL_ONE); }, [] { return floats(GL_BLEND_SRC, 1); }},
      {"colour", [] { glColor4f(0.2f, 0.3f, 0.4f, 0.5f); }, [] { return floats(GL_CURRENT_COLOR, 4); }},
      {"clear colour", [] { glClearColor(0.1f, 0.9f, 0.1f, 0.7f); }, [] { return floats(GL_COLOR_CLEAR_VALUE, 4); }},
      {"projection", [] { glMatrixMode(GL_PROJECTION); glLoadIdentity(); glOrtho(0, 5, 0, 5, -1, 1); },
       [] { return floats(GL_PROJECTION_MATRIX, 16); }},
      {"model-view", [] { glMatrixMode(GL_MODELVIEW); glTranslatef(1, 2, 3); glRotatef(30, 0, 0, 1); },
       [] { return floats(GL_MODELVIEW_MATRIX, 16); }},
      {"matrix mode", [] { glMatrixMode(GL_TEXTURE); }, [] { return floats(GL_MATRIX_MODE, 1); }},
      {"texture binding", [someTexture] { glBindTexture(GL_TEXTURE_2D, someTexture); },
       [] { return floats(GL_TEXTURE_BINDING_2D, 1); }},
      {"texturing", [] { glEnable(GL_TEXTURE_2D); }, [] { return enabled(GL_TEXTURE_2D); }},
      {"active unit", [] { glActiveTexture(GL_TEXTURE1); }, [] { return floats(GL_ACTIVE_TEXTURE, 1); }},
      {"lighting", [] { glEnable(GL_LIGHTING); glEnable(GL_LIGHT0); }, [] { return enabled(GL_LIGHTING); }},
      {"scissor", [] { glEnable(GL_SCISSOR_TEST); glScissor(1, 2, 3, 4); }, [] { return floats(GL_SCISSOR_BOX, 4); }},
      {"cull face", [] { glEnable(GL_CULL_FACE); glCullFace(GL_FRONT); }, [] { return floats(GL_CULL_FACE_MODE, 1); }},
      {"line width", [] { glLineWidth(4.0f); }, [] { return floats(GL_LINE_WIDTH, 1); }},
      {"vertex array", [] { glEnableClientState(GL_VERTEX_ARRAY); }, [] { return enabled(GL_VERTEX_ARRAY); }},
      {"unpack alignment", [] { glPixelStorei(GL_UNPACK_ALIGNMENT, 1); }, [] { return floats(GL_UNPACK_ALIGNMENT, 1); }},
  };
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(16, 16, false));
  // A recognisable window state first.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-1, 1, -1, 1, 1, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(2, 2, 2);
  glColor4f(1, 1, 1, 1);
  std::vector<std::vector<double>> before;
  for (const StateProbe& probe : probes) before.push_back(probe.read());

  buffer.enable();
  for (const StateProbe& probe : probes) probe.change();
  buffer.disable();
  for (size_t i = 0; i < probes.size(); ++i) EXPECT_EQ(probes[i].read(), before[i]) << probes[i].label;

  // Inside a nested pair as well.
  PBuffer inner;
  ASSERT_TRUE(inner.initialize(8, 8, false));
  buffer.enable();
  inner.enable();
  for (const StateProbe& probe : probes) probe.change();
  inner.disable();
  buffer.disable();
  for (size_t i = 0; i < probes.size(); ++i) EXPECT_EQ(probes[i].read(), before[i]) << "nested " << probes[i].label;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDeleteTextures(1, &someTexture);
}

// Runs fn with unit as the active texture unit, leaving the active unit as it was.
template <typename Fn>
auto onUnit(int unit, Fn fn) {
  GLint active = GL_TEXTURE0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glActiveTexture(GLenum(GL_TEXTURE0 + unit));
  auto result = fn();
  glActiveTexture(GLenum(active));
  return result;
}

// One piece of state: how to move it away from GL's default, and how to read it.
struct StateRow {
  std::string label;
  std::function<void()> change;
  std::function<std::vector<double>()> read;
};

const char* const kRedProgram =
    "!!ARBvp1.0\n"
    "MOV result.position, vertex.position;\n"
    "MOV result.color, {1, 0, 0, 1};\n"
    "END\n";

// State of every group a caller's context may leave behind. textures: a grey 2D texture and a
// grey cube map; program: an ARB vertex program that paints red. Each change, left in force
// while drawing, alters a white quad drawn from defaults (or, for the active unit and the clear
// colour, the result of later calls).
std::vector<StateRow> stateRows(GLuint texture2D, GLuint cubeMap, GLuint program) {
  std::vector<StateRow> rows;
  for (int unit = 0; unit < 4; ++unit) {
    const std::string u = " unit " + std::to_string(unit);
    rows.push_back({"2D texturing" + u,
                    [=] {
                      onUnit(unit, [=] {
                        glBindTexture(GL_TEXTURE_2D, texture2D);
                        glEnable(GL_TEXTURE_2D);
                        return 0;
                      });
                    },
                    [=] {
                      return onUnit(unit, [] {
                        return std::vector<double>{enabled(GL_TEXTURE_2D)[0], floats(GL_TEXTURE_BINDING_2D, 1)[0]};
                      });
                    }});
    rows.push_back(
        {"cube texturing" + u,
         [=] {
           onUnit(unit, [=] {
             glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
             glEnable(GL_TEXTURE_CUBE_MAP);
             return 0;
           });
         },
         [=] {
           return onUnit(unit, [] {
             return std::vector<double>{enabled(GL_TEXTURE_CUBE_MAP)[0], floats(GL_TEXTURE_BINDING_CUBE_MAP, 1)[0]};
           });
         }});
    rows.push_back({"texture environment" + u,
                    [=] {
                      onUnit(unit, [] {
                        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
                        return 0;
                      });
                    },
                    [=] {
                      return onUnit(unit, [] {
                        GLint mode = 0;
                        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
                        return std::vector<double>{double(mode)};
                      });
                    }});
  }
  const std::vector<StateRow> more = {
      {"active unit", [] { glActiveTexture(GL_TEXTURE2); }, [] { return floats(GL_ACTIVE_TEXTURE, 1); }},
      {"blending",
       [] {
         glEnable(GL_BLEND);
         glBlendFunc(GL_ZERO, GL_SRC_COLOR);
       },
       [] {
         return std::vector<double>{enabled(GL_BLEND)[0], floats(GL_BLEND_SRC, 1)[0], floats(GL_BLEND_DST, 1)[0]};
       }},
      {"depth",
       [] {
         glEnable(GL_DEPTH_TEST);
         glDepthFunc(GL_NEVER);
         glDepthMask(GL_FALSE);
       },
       [] {
         return std::vector<double>{enabled(GL_DEPTH_TEST)[0], floats(GL_DEPTH_FUNC, 1)[0],
                                    floats(GL_DEPTH_WRITEMASK, 1)[0]};
       }},
      {"alpha test",
       [] {
         glEnable(GL_ALPHA_TEST);
         glAlphaFunc(GL_LESS, 0.5f);
       },
       [] {
         return std::vector<double>{enabled(GL_ALPHA_TEST)[0], floats(GL_ALPHA_TEST_FUNC, 1)[0],
                                    floats(GL_ALPHA_TEST_REF, 1)[0]};
       }},
      {"stencil",
       [] {
         glEnable(GL_STENCIL_TEST);
         glStencilFunc(GL_EQUAL, 7, 0xFF);
         glStencilOp(GL_KEEP, GL_INCR, GL_INCR);
       },
       [] {
         return std::vector<double>{enabled(GL_STENCIL_TEST)[0], floats(GL_STENCIL_FUNC, 1)[0],
                                    floats(GL_STENCIL_REF, 1)[0], floats(GL_STENCIL_PASS_DEPTH_PASS, 1)[0]};
       }},
      {"fog",
       [] {
         glEnable(GL_FOG);
         glFogi(GL_FOG_MODE, GL_LINEAR);
         glFogf(GL_FOG_START, -2);
         glFogf(GL_FOG_END, -1);
       },
       [] {
         return std::vector<double>{enabled(GL_FOG)[0], floats(GL_FOG_MODE, 1)[0], floats(GL_FOG_START, 1)[0],
                                    floats(GL_FOG_END, 1)[0]};
       }},
      {"lighting",
       [] {
         glEnable(GL_LIGHTING);
         glEnable(GL_LIGHT1);
         glShadeModel(GL_FLAT);
       },
       [] {
         return std::vector<double>{enabled(GL_LIGHTING)[0], enabled(GL_LIGHT1)[0], floats(GL_SHADE_MODEL, 1)[0]};
       }},
      {"colour", [] { glColor4f(0.2f, 0.3f, 0.4f, 0.5f); }, [] { return floats(GL_CURRENT_COLOR, 4); }},
      {"colour mask", [] { glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_FALSE); },
       [] { return floats(GL_COLOR_WRITEMASK, 4); }},
      {"clear colour", [] { glClearColor(0.1f, 0.9f, 0.1f, 0.7f); }, [] { return floats(GL_COLOR_CLEAR_VALUE, 4); }},
      {"polygon mode", [] { glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); }, [] { return floats(GL_POLYGON_MODE, 2); }},
      {"line width", [] { glLineWidth(5.0f); }, [] { return floats(GL_LINE_WIDTH, 1); }},
      {"culling",
       [] {
         glEnable(GL_CULL_FACE);
         glCullFace(GL_BACK);
         glFrontFace(GL_CW);
       },
       [] {
         return std::vector<double>{enabled(GL_CULL_FACE)[0], floats(GL_CULL_FACE_MODE, 1)[0],
                                    floats(GL_FRONT_FACE, 1)[0]};
       }},
      {"scissor",
       [] {
         glEnable(GL_SCISSOR_TEST);
         glScissor(0, 0, 1, 1);
       },
       [] {
         return std::vector<double>{enabled(GL_SCISSOR_TEST)[0], floats(GL_SCISSOR_BOX, 4)[2]};
       }},
      {"projection",
       [] {
         glMatrixMode(GL_PROJECTION);
         glLoadIdentity();
         glOrtho(2, 3, 2, 3, -1, 1);
         glMatrixMode(GL_MODELVIEW);
       },
       [] { return floats(GL_PROJECTION_MATRIX, 16); }},
      {"model-view",
       [] {
         glMatrixMode(GL_MODELVIEW);
         glLoadIdentity();
         glTranslatef(5, 0, 0);
       },
       [] { return floats(GL_MODELVIEW_MATRIX, 16); }},
      {"vertex program",
       [program] {
         glBindProgramARB(GL_VERTEX_PROGRAM_ARB, program);
         glEnable(GL_VERTEX_PROGRAM_ARB);
       },
       [] {
         GLint bound = -1;
         glGetProgramivARB(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &bound);
         return std::vector<double>{enabled(GL_VERTEX_PROGRAM_ARB)[0], double(bound)};
       }},
      {"vertex array", [] { glEnableClientState(GL_COLOR_ARRAY); }, [] { return enabled(GL_COLOR_ARRAY); }},
      {"matrix mode", [] { glMatrixMode(GL_TEXTURE); }, [] { return floats(GL_MATRIX_MODE, 1); }},
  };
  rows.insert(rows.end(), more.begin(), more.end());
  return rows;
}

std::vector<std::vector<double>> readAll(const std::vector<StateRow>& rows) {
  std::vector<std::vector<double>> values;
  for (const StateRow& row : rows) values.push_back(row.read());
  return values;
}

// Clears the enabled buffer with the current clear colour and draws a quad over all of it in
// the current colour, with whatever else is in force.
void clearAndDrawQuad() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glBegin(GL_QUADS);
  glVertex2f(-1, -1);
  glVertex2f(1, -1);
  glVertex2f(1, 1);
  glVertex2f(-1, 1);
  glEnd();
}

TEST_F(PBufferTest, DrawingInsideStartsFromDefaultsAndKeepsItsOwnState) {
  const uint32_t grey = 0xFF808080;
  GLuint texture2D = 0, cubeMap = 0, program = 0;
  glGenTextures(1, &texture2D);
  glBindTexture(GL_TEXTURE_2D, texture2D);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, &grey);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glGenTextures(1, &cubeMap);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
  for (int face = 0; face < 6; ++face)
    glTexImage2D(GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face), 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, &grey);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenProgramsARB(1, &program);
  glBindProgramARB(GL_VERTEX_PROGRAM_ARB, program);
  glProgramStringARB(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, GLsizei(std::strlen(kRedProgram)),
                     kRedProgram);
  ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glBindProgramARB(GL_VERTEX_PROGRAM_ARB, 0);
  const std::vector<StateRow> rows = stateRows(texture2D, cubeMap, program);

  PBuffer first, second;
  ASSERT_TRUE(first.initialize(16, 16, false));
  ASSERT_TRUE(second.initialize(16, 16, false));
  // The defaults, as a buffer sees them before anything was set anywhere.
  first.enable();
  const std::vector<std::vector<double>> defaults = readAll(rows);
  first.disable();

  for (const StateRow& row : rows) row.change();
  const std::vector<std::vector<double>> window = readAll(rows);
  for (size_t i = 0; i < rows.size(); ++i) ASSERT_NE(window[i], defaults[i]) << "no change: " << rows[i].label;

  // Nothing of the window's state reaches either buffer: the quad comes out white on the
  // cleared black.
  for (PBuffer* buffer : {&first, &second}) {
    buffer->enable();
    const std::vector<std::vector<double>> inside = readAll(rows);
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(inside[i], defaults[i]) << rows[i].label;
    clearAndDrawQuad();
    buffer->disable();
    EXPECT_EQ(texel(*buffer, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(texel(*buffer, 8, 8), 0xFFFFFFFFu);
    EXPECT_EQ(texel(*buffer, 15, 15), 0xFFFFFFFFu);
  }
  EXPECT_EQ(readAll(rows), window);
  GLboolean doubleBuffered = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
  if (doubleBuffered) {
    EXPECT_EQ(integer(GL_DRAW_BUFFER), GL_BACK);
  }

  // State set inside stays with the buffer, across disables and another buffer's use, and only
  // there.
  first.enable();
  for (const StateRow& row : rows) row.change();
  const std::vector<std::vector<double>> kept = readAll(rows);
  first.disable();
  EXPECT_EQ(readAll(rows), window);
  second.enable();
  EXPECT_EQ(readAll(rows), defaults);
  second.disable();
  first.enable();
  EXPECT_EQ(readAll(rows), kept);
  // With that state the clear reaches only the scissor box's pixel and only red and blue, and
  // the depth function keeps the quad out.
  clearAndDrawQuad();
  first.disable();
  const uint32_t corner = texel(first, 0, 0);
  EXPECT_NEAR(redOf(corner), 26, 1);  // 0.1 of the clear colour
  EXPECT_EQ(greenOf(corner), 255);
  EXPECT_NEAR(blueOf(corner), 26, 1);
  EXPECT_EQ(alphaOf(corner), 255);
  EXPECT_EQ(texel(first, 8, 8), 0xFFFFFFFFu);

  // Back to a plain window for the other tests.
  glActiveTexture(GL_TEXTURE0);
  glDeleteTextures(1, &texture2D);
  glDeleteTextures(1, &cubeMap);
  glDeleteProgramsARB(1, &program);
  for (int unit = 3; unit >= 0; --unit) {
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_CUBE_MAP);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }
  glDisable(GL_VERTEX_PROGRAM_ARB);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glDisable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_TRUE);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_STENCIL_TEST);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glDisable(GL_FOG);
  glDisable(GL_LIGHTING);
  glShadeModel(GL_SMOOTH);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glLineWidth(1);
  glDisable(GL_CULL_FACE);
  glFrontFace(GL_CCW);
  glDisable(GL_SCISSOR_TEST);
  glDisableClientState(GL_COLOR_ARRAY);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor4f(1, 1, 1, 1);
}

TEST_F(PBufferTest, DestroyThenInitializeWithAnotherSize) {
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(64, 64, false));
  buffer.enable();
  clearTo(1, 0, 0);
  buffer.disable();
  buffer.destroy();
  EXPECT_FALSE(buffer.isInitialized());
  EXPECT_EQ(buffer.getTexture(), 0u);
  EXPECT_EQ(buffer.getFramebuffer(), 0u);

  ASSERT_TRUE(buffer.initialize(32, 8, false));
  EXPECT_EQ(buffer.getWidth(), 32);
  EXPECT_EQ(buffer.getHeight(), 8);
  EXPECT_TRUE(buffer.createTexture(GL_REPEAT, GL_LINEAR, GL_LINEAR));
  buffer.enable();
  clearTo(0, 1, 0);
  buffer.disable();
  EXPECT_EQ(texel(buffer, 31, 7), kGreen);
  buffer.bind(WGL_FRONT_LEFT_ARB);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 32);
  buffer.release(WGL_FRONT_LEFT_ARB);
  buffer.destroy();
  buffer.destroy();  // a second destroy does nothing
}

TEST_F(PBufferTest, DestroyWhileEnabledReturnsToTheWindow) {
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(16, 16, false));
  buffer.enable();
  buffer.destroy();
  EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], gContext->width());
}

TEST_F(PBufferTest, DepthVariantBindsItsDepthBuffer) {
  ASSERT_TRUE(PBuffer::hasRenderDepthTexture());
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(32, 32, true));
  ASSERT_NE(buffer.getDepthTexture(), 0u);
  buffer.enable();
  glClearDepth(1.0);
  clearTo(0, 0, 0);
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 1, 0, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glBegin(GL_QUADS);  // left half at z = 0.5: window depth 0.25
  glVertex3f(0, 0, 0.5f);
  glVertex3f(0.5f, 0, 0.5f);
  glVertex3f(0.5f, 1, 0.5f);
  glVertex3f(0, 1, 0.5f);
  glEnd();
  buffer.disable();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

  buffer.bind(WGL_DEPTH_COMPONENT_NV);
  EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), buffer.getDepthTexture());
  std::vector<float> depth(32 * 32);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  buffer.release(WGL_DEPTH_COMPONENT_NV);
  EXPECT_NEAR(depth[16 * 32 + 4], 0.25f, 1e-4);
  EXPECT_NEAR(depth[16 * 32 + 28], 1.0f, 1e-6);
  // The colour buffer stays bindable too.
  buffer.bind(WGL_FRONT_LEFT_ARB);
  EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), buffer.getTexture());
  buffer.release(WGL_FRONT_LEFT_ARB);
}

TEST_F(PBufferTest, RenderDepthTextureSwitch) {
  EXPECT_TRUE(PBuffer::isSupported());
  EXPECT_TRUE(PBuffer::hasRenderDepthTexture());
  PBuffer::setRenderDepthTextureMissing(true);
  EXPECT_FALSE(PBuffer::hasRenderDepthTexture());
  PBuffer::setRenderDepthTextureMissing(false);
  EXPECT_TRUE(PBuffer::hasRenderDepthTexture());
  // The same switch as RK17_NO_RENDER_DEPTH_TEXTURE=1.
  Switches::set(Switch::NoRenderDepthTexture, true);
  EXPECT_FALSE(PBuffer::hasRenderDepthTexture());
  Switches::set(Switch::NoRenderDepthTexture, false);
  EXPECT_TRUE(PBuffer::hasRenderDepthTexture());
}

// Redirected drawing lands in the named textures and leaves the buffer's own untouched, until
// redirected back or disabled; each row clears with the buffer enabled and the redirect given.
TEST_F(PBufferTest, RedirectedColourGoesToTheNamedTexturesUntilRedirectedBackOrDisabled) {
  PBuffer own, first, second;
  for (PBuffer* b : {&own, &first, &second}) {
    ASSERT_TRUE(b->initialize(16, 16, false));
    b->createTexture(GL_REPEAT, GL_NEAREST, GL_NEAREST);
    b->enable();
    clearTo(0, 0, 0);
    b->disable();
  }
  enum Redirect { kNone, kFirst, kBoth, kFirstThenBack };
  struct Case {
    const char* name;
    Redirect redirect;
    bool disableBetween;  // disable and enable again before a second clear to yellow
    uint32_t own, first, second;
  };
  const Case cases[] = {
      {"none", kNone, false, kRed, 0xFF000000, 0xFF000000},
      {"first", kFirst, false, 0xFF000000, kRed, 0xFF000000},
      {"both", kBoth, false, 0xFF000000, kRed, kRed},
      {"first, then back", kFirstThenBack, false, kRed, 0xFF000000, 0xFF000000},
      {"first, disabled in between", kFirst, true, kYellow, kRed, 0xFF000000},
  };
  ReportCapture reports;
  for (const Case& c : cases) {
    for (PBuffer* b : {&own, &first, &second}) {
      b->enable();
      clearTo(0, 0, 0);
      b->disable();
    }
    own.enable();
    if (c.redirect != kNone) own.redirectColour(first.getTexture(), c.redirect == kBoth ? second.getTexture() : 0);
    if (c.redirect == kFirstThenBack) own.redirectColour(0, 0);
    clearTo(1, 0, 0);
    if (c.disableBetween) {
      own.disable();
      own.enable();
      clearTo(1, 1, 0);
    }
    own.disable();
    EXPECT_EQ(texel(own, 3, 3), c.own) << c.name;
    EXPECT_EQ(texel(first, 3, 3), c.first) << c.name;
    EXPECT_EQ(texel(second, 3, 3), c.second) << c.name;
  }
  EXPECT_TRUE(reports.reports().empty());
  // Only an enabled buffer, in its own context, can be redirected.
  own.redirectColour(first.getTexture(), 0);
  first.enable();
  own.redirectColour(second.getTexture(), 0);
  first.disable();
  EXPECT_EQ(reports.reports().size(), 2u);
  EXPECT_TRUE(reports.contains("PBuffer::redirectColour failed"));
  EXPECT_EQ(texel(second, 3, 3), 0xFF000000u);
}

TEST_F(PBufferTest, MisuseIsReportedWithoutEndingTheProgram) {
  ReportCapture capture;
  PBuffer buffer;
  glBindTexture(GL_TEXTURE_2D, 0);
  buffer.enable();
  buffer.bind(WGL_FRONT_LEFT_ARB);
  buffer.disable();
  buffer.release(WGL_FRONT_LEFT_ARB);
  EXPECT_EQ(integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
  EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
  const std::vector<std::string> expected = {"PBuffer not initialized", "PBuffer not initialised",
                                             "PBuffer::disable failed", "PBuffer::release failed"};
  ASSERT_EQ(capture.reports().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NE(capture.reports()[i].find("src/base/PBuffer.cpp:"), std::string::npos);
    EXPECT_NE(capture.reports()[i].find(expected[i]), std::string::npos) << capture.reports()[i];
  }
  capture.clear();
  ASSERT_TRUE(buffer.initialize(8, 8, false));
  buffer.bind(WGL_DEPTH_COMPONENT_NV);  // a colour buffer has no bindable depth
  buffer.release(WGL_DEPTH_COMPONENT_NV);
  buffer.bind(0x1234);
  ASSERT_EQ(capture.reports().size(), 3u);
  EXPECT_TRUE(capture.contains("PBuffer::bind failed"));
  EXPECT_TRUE(capture.contains("PBuffer::release failed"));
}

TEST_F(PBufferTest, CreationFailuresEndTheProgram) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT({ PBuffer b; b.initialize(100000, 16, false); }, ::testing::ExitedWithCode(1),
              "src/base/PBuffer.cpp:[0-9]+ PBuffer: Could not create. : ERROR_INVALID_DATA");
  EXPECT_EXIT({ PBuffer b; b.initialize(0, 16, false); }, ::testing::ExitedWithCode(1),
              "PBuffer: Could not create. : ERROR_INVALID_DATA");
  EXPECT_EXIT(
      {
        PBuffer::setRenderDepthTextureMissing(true);
        PBuffer b;
        b.initialize(16, 16, true);
      },
      ::testing::ExitedWithCode(1), "PBuffer: No pixel formats found");
}

}  // namespace

namespace {

// Effects own buffers and are destroyed after the window's context at shutdown.
TEST(PBufferShutdown, DestroyAfterTheContextIsGoneForgetsTheBufferWithoutGLCalls) {
  TestGLContext context(64, 64);
  ASSERT_TRUE(context.ok());
  PBuffer buffer;
  ASSERT_TRUE(buffer.initialize(32, 32, false));
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  SDL_GL_MakeCurrent(window, nullptr);
  buffer.destroy();  // must not reach GL
  EXPECT_FALSE(buffer.isInitialized());
}

}  // namespace
