#pragma once
// Pixel-test fixture for the screen-space effects: one hidden 800 x 600 GL context per suite,
// a known GL state and background before each test, and helpers for events and unit-coordinate
// pixel reads.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>

#include "EffectEvent.h"
#include "GLSuite.h"
#include "TestGLContext.h"

struct Rgb {
  int r;
  int g;
  int b;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// An event of the given type with its three values and text.
inline EffectEvent makeEvent(int32_t type, float x = 0.0f, float y = 0.0f, float z = 0.0f,
                             const std::string& text = "") {
  EffectEvent event;
  event.type = type;
  event.value = x;
  event.values[0] = x;
  event.values[1] = y;
  event.values[2] = z;
  event.text = text;
  return event;
}

// 0..1 to the byte GL stores for it.
inline int toByte(float v) { return static_cast<int>(std::lround(v * 255.0f)); }

class OverlayFixture : public GLSuite<> {
 protected:
  void SetUp() override {
    GLSuite::SetUp();
    if (HasFatalFailure()) return;
    glViewport(0, 0, gContext->width(), gContext->height());
    glDisable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    clearTo(0.0f, 0.0f, 0.0f);
  }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

  static void clearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  }
  // The pixel at unit screen position (u from the left, v from the top).
  static Rgb pixelAt(float u, float v) {
    const int x = static_cast<int>(u * gContext->width());
    const int y = gContext->height() - 1 - static_cast<int>(v * gContext->height());
    const uint32_t rgba = gContext->readPixel(x, y);
    return Rgb{redOf(rgba), greenOf(rgba), blueOf(rgba)};
  }
  static bool near(const Rgb& a, const Rgb& b, int tolerance = 2) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
  }
  // Writes the screen as name into the folder named by RK17_TEST_PICTURES, when that is set, for
  // looking at the pictures; does nothing otherwise.
  static void savePicture(const std::string& name) {
    const char* folder = std::getenv("RK17_TEST_PICTURES");
    if (folder && *folder) {
      EXPECT_TRUE(gContext->savePng((std::string(folder) + "/" + name).c_str()));
    }
  }

  // The end state every overlay leaves: blending off, depth writes and test on, culling off,
  // colour white.
  static void expectOverlayEndState() {
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    GLfloat colour[4] = {0, 0, 0, 0};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) EXPECT_FLOAT_EQ(c, 1.0f);
  }
};
