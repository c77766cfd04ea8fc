#pragma once
// GLSL programs of the fast paths (the same picture as a literal recipe, in fewer
// passes). Programs are shared by every context of the window's share group.
#include <epoxy/gl.h>

#include <initializer_list>

class GlslProgram {
 public:
  // Compiles both shaders and links them. Returns the program, or 0 after a non-fatal report
  // "<what>: program failed" with the compiler's or linker's log (the caller then draws its
  // literal path). The caller owns the program.
  static GLuint build(const char* vertexText, const char* fragmentText, const char* what);

  struct SamplerUnit {
    const char* name;  // the sampler uniform
    GLint unit;        // the texture unit it reads
  };
  // Points program's samplers at their texture units; the current program is kept.
  static void setSamplerUnits(GLuint program, std::initializer_list<SamplerUnit> units);
};
