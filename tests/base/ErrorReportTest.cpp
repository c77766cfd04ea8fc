#include "ErrorReport.h"
#include "ReportCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct FormatCase {
  const char* name;
  void (*report)();
  const char* expected;
};

const FormatCase kFormats[] = {
    {"plain", [] { reportError("src/x.cpp", 12, "something broke", false); }, "src/x.cpp:12 something broke"},
    {"int", [] { reportErrorInt("a.cpp", 7, "bad count", -42, false); }, "a.cpp:7 bad count: -42"},
    {"text", [] { reportErrorText("b.cpp", 99, "Effect not found", "Fade", false); }, "b.cpp:99 Effect not found: Fade"},
    {"null text", [] { reportErrorText("b.cpp", 1, "missing", nullptr, false); }, "b.cpp:1 missing: (null)"},
};

TEST(ErrorReport, FormatsOneLinePerReportAndReturns) {
  for (const FormatCase& c : kFormats) {
    ReportCapture capture;
    c.report();
    ASSERT_EQ(capture.reports().size(), 1u) << c.name;
    EXPECT_EQ(capture.reports()[0], c.expected) << c.name;
  }
}

TEST(ErrorReport, CutsLongTextsTo199Characters) {
  ReportCapture capture;
  const std::string longText(500, 'x');
  reportErrorText("f.cpp", 3, "long", longText.c_str(), false);
  ASSERT_EQ(capture.reports().size(), 1u);
  const std::string& text = capture.reports()[0];
  EXPECT_EQ(text.size(), 199u);
  EXPECT_EQ(text.substr(0, 13), "f.cpp:3 long:");
}

TEST(ErrorReport, TrueAssertionAndNoGLErrorShowNothing) {
  ReportCapture capture;
  assertTrue(true, "f.cpp", 1);
  checkGLErrorValue(0, "f.cpp", 2);
  EXPECT_TRUE(capture.reports().empty());
}

TEST(ErrorReport, NamesEveryGLError) {
  const struct {
    unsigned value;
    const char* name;
  } names[] = {{0x500, "GL_INVALID_ENUM"},      {0x501, "GL_INVALID_VALUE"},   {0x502, "GL_INVALID_OPERATION"},
               {0x503, "GL_STACK_OVERFLOW"},    {0x504, "GL_STACK_UNDERFLOW"}, {0x505, "GL_OUT_OF_MEMORY"},
               {0x506, "Unknown error"},        {0x4ff, "Unknown error"},      {0x8031, "Unknown error"}};
  for (const auto& n : names) EXPECT_STREQ(glErrorName(n.value), n.name) << std::hex << n.value;
}

void sayGoodbye() { std::fputs("atexit handler ran\n", stderr); }

TEST(ErrorReportDeathTest, FatalReportExitsWithCode1AfterRunningAtexitHandlers) {
  EXPECT_EXIT(
      {
        std::atexit(sayGoodbye);
        reportError("src/demos/x.cpp", 5, "Unsupported extensions", true);
      },
      ::testing::ExitedWithCode(1), "src/demos/x.cpp:5 Unsupported extensions\n(.|\n)*atexit handler ran");
}

TEST(ErrorReportDeathTest, FalseAssertionIsFatal) {
  EXPECT_EXIT(assertTrue(false, "m.cpp", 8), ::testing::ExitedWithCode(1), "m.cpp:8 assertion failed");
}

TEST(ErrorReportDeathTest, UnknownGLErrorValueIsFatalAndNamed) {
  EXPECT_EXIT(checkGLErrorValue(0x1234, "g.cpp", 4), ::testing::ExitedWithCode(1), "g.cpp:4 GL error: Unknown error");
}

}  // namespace
