#include "ErrorReport.h"

#include "Dialog.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>

namespace {
ReportHandler gHandler = nullptr;

// Shows the composed line (or hands it to the installed handler) and ends the process if fatal.
void deliver(const char* text, bool fatal, DialogIcon icon) {
  if (gHandler) {
    gHandler(text, fatal);
  } else {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    showMessageBox(text, "error", icon);
  }
  if (fatal) std::exit(1);
}

DialogIcon iconFor(bool fatal) { return fatal ? DialogIcon::Error : DialogIcon::None; }
}  // namespace

ReportHandler setReportHandler(ReportHandler handler) {
  ReportHandler previous = gHandler;
  gHandler = handler;
  return previous;
}

void reportError(const char* file, int line, const char* message, bool fatal) {
  char text[kReportBufferSize];
  std::snprintf(text, sizeof text, "%s:%d %s", file, line, message);
  deliver(text, fatal, iconFor(fatal));
}

void reportErrorInt(const char* file, int line, const char* message, int32_t value, bool fatal) {
  char text[kReportBufferSize];
  std::snprintf(text, sizeof text, "%s:%d %s: %i", file, line, message, static_cast<int>(value));
  deliver(text, fatal, iconFor(fatal));
}

void reportErrorText(const char* file, int line, const char* message, const char* value, bool fatal) {
  char text[kReportBufferSize];
  std::snprintf(text, sizeof text, "%s:%d %s: %s", file, line, message, value ? value : "(null)");
  deliver(text, fatal, iconFor(fatal));
}

void assertTrue(bool condition, const char* file, int line) {
  if (!condition) reportError(file, line, "assertion failed", true);
}

const char* glErrorName(unsigned int error) {
  switch (error) {
    case 0x500: return "GL_INVALID_ENUM";
    case 0x501: return "GL_INVALID_VALUE";
    case 0x502: return "GL_INVALID_OPERATION";
    case 0x503: return "GL_STACK_OVERFLOW";
    case 0x504: return "GL_STACK_UNDERFLOW";
    case 0x505: return "GL_OUT_OF_MEMORY";
    default: return "Unknown error";
  }
}

void checkGLErrorValue(unsigned int error, const char* file, int line) {
  if (error != 0) reportErrorText(file, line, "GL error", glErrorName(error), true);
}

void checkGLError(const char* file, int line) { checkGLErrorValue(glGetError(), file, line); }
