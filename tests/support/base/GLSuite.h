#pragma once
// Base of GL test fixtures: one hidden Width x Height context for the whole test suite, and each
// test starting with no GL error pending. Derived SetUp overrides call GLSuite::SetUp first.
// A suite may change the working directory in its SetUpTestSuite: the one it started in is
// restored at TearDownTestSuite, for the suites that run after it in the same process.
#include "TestGLContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

template <int Width = 800, int Height = 600>
class GLSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char dir[4096];
    gWorkingDir = getcwd(dir, sizeof dir) ? dir : "";
    gContext = new TestGLContext(Width, Height);
  }
  static void TearDownTestSuite() {
    delete gContext;
    gContext = nullptr;
    if (!gWorkingDir.empty()) {
      EXPECT_EQ(chdir(gWorkingDir.c_str()), 0);
    }
  }
  void SetUp() override {
    ASSERT_TRUE(gContext->ok());
    while (glGetError() != GL_NO_ERROR) {
    }
  }

  inline static TestGLContext* gContext = nullptr;
  inline static std::string gWorkingDir;
};
