#pragma once
// Error reporting: every failure of the program is reported through these functions.
// A report is one line "file:line message[: value]" (at most 199 characters), shown in a
// modal box with caption "error" and written to stderr. Fatal reports end the process with
// exit code 1 through exit(), so functions registered with atexit still run.
#include <cstdint>

void reportError(const char* file, int line, const char* message, bool fatal);
void reportErrorInt(const char* file, int line, const char* message, int32_t value, bool fatal);
void reportErrorText(const char* file, int line, const char* message, const char* text, bool fatal);
// Fatal "assertion failed" when condition is false; nothing otherwise.
void assertTrue(bool condition, const char* file, int line);
// Reads the GL error flag once; any error is fatal "GL error: <name>".
void checkGLError(const char* file, int line);
// Same as checkGLError for a given error value (0 = no error).
void checkGLErrorValue(unsigned int error, const char* file, int line);
// Name shown for a GL error value: "GL_INVALID_ENUM" ... "GL_OUT_OF_MEMORY", else "Unknown error".
const char* glErrorName(unsigned int error);

// Receives every composed report instead of the box and stderr. Tests install one to read
// reports; after a fatal report the process still exits with code 1 when the handler returns.
using ReportHandler = void (*)(const char* text, bool fatal);
// Installs handler (null restores the default) and returns the previous one.
ReportHandler setReportHandler(ReportHandler handler);

// Size of the report buffer, terminating zero included.
constexpr int kReportBufferSize = 200;
