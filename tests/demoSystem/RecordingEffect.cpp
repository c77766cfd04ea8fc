#include "RecordingEffect.h"

#include <epoxy/gl.h>

RecordingEffect::RecordingEffect(const std::string& name, bool pattern) : Effect(name) {
  registerVariable(alpha, "Alpha", EffectVariable::kNoStringList, EffectVariable::kFloat);
  registerVariable(index, "Index", EffectVariable::kNoStringList, EffectVariable::kInt);
  registerVariable(flag, "Flag", EffectVariable::kNoStringList, EffectVariable::kBool);
  registerVariable(caption, "Caption", EffectVariable::kNoStringList, EffectVariable::kString);
  registerVariable(texture, "Texture", EffectVariable::kStringList0, EffectVariable::kInt);
  registerVariable(odd, "Odd", 5, EffectVariable::kInt);
  index.setCount(5);
  caption.setTakesStringKeys(true);
  texture.setListIndexed(true);
  enablePattern(pattern);
}

RecordingEffect::~RecordingEffect() { log().push_back(getName() + " destroy"); }

std::vector<std::string>& RecordingEffect::log() {
  static std::vector<std::string> entries;
  return entries;
}

void RecordingEffect::start(uint32_t time) {
  Effect::start(time);
  log().push_back(getName() + " start " + std::to_string(time));
}

void RecordingEffect::update(uint32_t time) {
  Effect::update(time);
  log().push_back(getName() + " update " + std::to_string(time));
}

void RecordingEffect::onPatternStep(float) { patternSteps.push_back(getPatternIndex()); }

void RecordingEffect::render(uint32_t time) {
  // Only meaningful with a GL context; the timeline tests create one.
  if (epoxy_gl_version() > 0) {
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &renderMatrixDepths[0]);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &renderMatrixDepths[1]);
  }
  log().push_back(getName() + " render " + std::to_string(time));
}

void RecordingEffect::handleEvent(const EffectEvent& event) {
  Effect::handleEvent(event);
  events.push_back(event);
  log().push_back(getName() + " event " + std::to_string(event.type) + " " + std::to_string(event.time));
}

void RecordingEffect::onStringAdded(int32_t list, const std::string& text, uint32_t count) {
  added.push_back(std::to_string(list) + ":" + text + ":" + std::to_string(count));
  if (list == EffectVariable::kStringList0) texture.setCount(count);
}
