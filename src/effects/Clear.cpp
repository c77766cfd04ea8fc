#include "Clear.h"

#include <epoxy/gl.h>

Clear::Clear(float red, float green, float blue, float alpha) : Effect("Clear") {
  registerColour(_red, _green, _blue, _alpha, red, green, blue, alpha);
  registerBool(_clearColor, "ClearColor", true);
  registerBool(_clearDepth, "ClearDepth", true);
  registerBool(_clearStencil, "ClearStencil", true);
}

void Clear::render(uint32_t time) {
  glClearColor(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time));
  GLbitfield mask = 0;
  if (_clearColor.valueAt(time)) mask |= GL_COLOR_BUFFER_BIT;
  if (_clearStencil.valueAt(time)) mask |= GL_STENCIL_BUFFER_BIT;
  if (_clearDepth.valueAt(time)) mask |= GL_DEPTH_BUFFER_BIT;
  glClear(mask);
}
