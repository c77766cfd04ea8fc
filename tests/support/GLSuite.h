#pragma once
// Base of GL test fixtures: one hidden Width x Height context for the whole test suite, and each
// test starting with no GL error pending. Derived SetUp overrides call GLSuite::SetUp first.
#include "TestGLContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

template <int Width = 800, int Height = 600>
class GLSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gContext = new TestGLContext(Width, Height); }
  static void TearDownTestSuite() {
    delete gContext;
    gContext = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(gContext->ok());
    while (glGetError() != GL_NO_ERROR) {
    }
  }

  inline static TestGLContext* gContext = nullptr;
};
