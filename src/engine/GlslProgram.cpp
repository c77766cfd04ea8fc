#include "GlslProgram.h"

#include <string>

#include "ErrorReport.h"

namespace {
// The shader, or 0 with log filled.
GLuint compile(GLenum type, const char* text, char* log, GLsizei logSize) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  glGetShaderInfoLog(shader, logSize, nullptr, log);
  glDeleteShader(shader);
  return 0;
}
}  // namespace

GLuint GlslProgram::build(const char* vertexText, const char* fragmentText, const char* what) {
  char log[160] = "";
  const GLuint vs = compile(GL_VERTEX_SHADER, vertexText, log, sizeof log);
  const GLuint fs = vs ? compile(GL_FRAGMENT_SHADER, fragmentText, log, sizeof log) : 0;
  GLuint program = 0;
  if (vs && fs) {
    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
      glGetProgramInfoLog(program, sizeof log, nullptr, log);
      glDeleteProgram(program);
      program = 0;
    }
  }
  if (vs) glDeleteShader(vs);
  if (fs) glDeleteShader(fs);
  if (!program) reportErrorText(__FILE__, __LINE__, (std::string(what) + ": program failed").c_str(), log, false);
  return program;
}

void GlslProgram::setSamplerUnits(GLuint program, std::initializer_list<SamplerUnit> units) {
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  glUseProgram(program);
  for (const SamplerUnit& u : units) glUniform1i(glGetUniformLocation(program, u.name), u.unit);
  glUseProgram(GLuint(current));
}
