#include "ErrorReport.h"
#include "TestGLContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

namespace {

TEST(GLErrorDeathTest, AProvokedGLErrorIsFatalAndNamed) {
  EXPECT_EXIT(
      {
        TestGLContext context(64, 64);
        if (!context.ok()) std::exit(3);
        glEnable(0x1234);  // not a capability: GL_INVALID_ENUM
        checkGLError("src/effects/Blur.cpp", 77);
        std::exit(0);
      },
      ::testing::ExitedWithCode(1), "src/effects/Blur.cpp:77 GL error: GL_INVALID_ENUM");
}

TEST(GLError, NoPendingErrorShowsNothing) {
  TestGLContext context(64, 64);
  ASSERT_TRUE(context.ok());
  glGetError();
  checkGLError("f.cpp", 1);  // returns
  SUCCEED();
}

}  // namespace
