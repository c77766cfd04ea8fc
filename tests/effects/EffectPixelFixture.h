#pragma once
// Fixture of the effect pixel tests: one hidden 800 x 600 GL window for the process, an effect
// list holding the test input "Input" (current while a test runs), and pixel helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "EffectList.h"
#include "PostInputEffect.h"
#include "TestGLContext.h"

class EffectPixelFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Links effect to the list's "Input" through an event of type 2 and returns the input, its
  // counts reset.
  PostInputEffect* linkInput(Effect& effect);
  // Clears the window to (r, g, b, 1) and resets the state effects expect on entry.
  static void clearWindow(float r, float g, float b);
  // Pixel at fractions of the window from its top-left corner.
  static uint32_t pixelFromTop(float fx, float fy);
  // Pixel at window coordinates, y from the bottom.
  static uint32_t pixelAt(int x, int y);
  // Writes the window as name into the folder named by RK17_TEST_PICTURES, when that is set
  // (for looking at the pictures).
  static void savePicture(const char* name);
  static int width() { return gContext->width(); }
  static int height() { return gContext->height(); }

  static TestGLContext* gContext;
  std::unique_ptr<EffectList> _list;
};

// Expects every channel of actual within tolerance of expected (bytes, RGBA as readPixel packs).
::testing::AssertionResult colourNear(uint32_t actual, uint32_t expected, int tolerance, bool withAlpha = false);
// Packs bytes as readPixel does.
constexpr uint32_t rgba(int r, int g, int b, int a = 255) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
}

// Loads a recognisable translation into the projection, model-view and (with texture) texture
// matrices, with the model-view matrix current; expectMarkerMatrices checks that they, the stack
// depths and the matrix mode are as loadMarkerMatrices left them, then loads identities.
void loadMarkerMatrices(bool texture = true);
void expectMarkerMatrices(bool texture = true);
// The end state of the post-processing effects: blending off, depth test on, 2D texturing on,
// face culling off, colour (1, 1, 1, 1).
void expectPostEndState();
