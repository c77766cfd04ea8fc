#include "Clear.h"

#include <epoxy/gl.h>

Clear::Clear(float red, float green, float blue, float alpha) : Effect("Clear") {
  registerVariable(_red, "Red", EffectVariable::kNoStringList, EffectVariable::kFloat);
  registerVariable(_green, "Green", EffectVariable::kNoStringList, EffectVariable::kFloat);
  registerVariable(_blue, "Blue", EffectVariable::kNoStringList, EffectVariable::kFloat);
  registerVariable(_alpha, "Alpha", EffectVariable::kNoStringList, EffectVariable::kFloat);
  registerVariable(_clearColor, "ClearColor", EffectVariable::kNoStringList, EffectVariable::kBool);
  registerVariable(_clearDepth, "ClearDepth", EffectVariable::kNoStringList, EffectVariable::kBool);
  registerVariable(_clearStencil, "ClearStencil", EffectVariable::kNoStringList, EffectVariable::kBool);
  _red.setCurrentValue(red);
  _green.setCurrentValue(green);
  _blue.setCurrentValue(blue);
  _alpha.setCurrentValue(alpha);
  _clearColor.setCurrentValue(true);
  _clearDepth.setCurrentValue(true);
  _clearStencil.setCurrentValue(true);
}

void Clear::render(uint32_t time) {
  glClearColor(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time));
  GLbitfield mask = 0;
  if (_clearColor.valueAt(time)) mask |= GL_COLOR_BUFFER_BIT;
  if (_clearStencil.valueAt(time)) mask |= GL_STENCIL_BUFFER_BIT;
  if (_clearDepth.valueAt(time)) mask |= GL_DEPTH_BUFFER_BIT;
  glClear(mask);
}
