#include "Timeline.h"

#include "DemoSettings.h"
#include "Effect.h"
#include "EffectList.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace {
Timeline* gCurrent = nullptr;
}  // namespace

Timeline::Timeline() {
  _delivering.effectName.reserve(kReservedText);
  _delivering.text.reserve(kReservedText);
}

void Timeline::clear() {
  _events.clear();
  _cursor = 0;
}

void Timeline::schedule(const EffectEvent& event) { _events.push_back(event); }

void Timeline::sort() {
  std::stable_sort(_events.begin(), _events.end(),
                   [](const EffectEvent& a, const EffectEvent& b) { return a.time < b.time; });
  _cursor = 0;
}

bool Timeline::isDue(uint32_t time) const { return _cursor < _events.size() && time >= _events[_cursor].time; }

const EffectEvent& Timeline::next() {
  static const EffectEvent kNone;
  if (_cursor >= _events.size()) return kNone;
  return _events[_cursor++];
}

void Timeline::deliverDue(uint32_t t) {
  EffectList* list = EffectList::current();
  if (!list) return;
  while (isDue(t)) {
    // A copy: a handler that schedules events must not invalidate what it is reading.
    _delivering = next();
    Effect* target = list->find(_delivering.effectName);
    if (target) target->handleEvent(_delivering);
  }
}

void Timeline::runFrame(int32_t t) {
  EffectList* list = EffectList::current();
  if (!list || t < 0) return;
  deliverDue(static_cast<uint32_t>(t));
  drawEffects(*list, static_cast<uint32_t>(t));
}

void Timeline::updateEffects(EffectList& list, uint32_t t) {
  // Walked by index, without a copy: the instances present when the frame began, and none that a
  // handler may have removed since.
  const size_t count = list.size();
  for (size_t i = 0; i < count; ++i) {
    Effect* effect = list.getEffect(i);
    if (!effect) break;
    const bool active = effect->getActive().valueAt(t);
    effect->setWasActive(active);
    if (active) effect->update(t);
  }
}

void Timeline::drawEffects(EffectList& list, uint32_t t) {
  const size_t count = list.size();
  updateEffects(list, t);
  const DemoSettings& settings = demoSettings();
  glViewport(0, 0, settings.screenWidth, settings.screenHeight);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  for (size_t i = 0; i < count; ++i) {
    Effect* effect = list.getEffect(i);
    if (!effect) break;
    if (effect->getActive().valueAt(t)) effect->render(t);
  }
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

Timeline* Timeline::current() { return gCurrent; }

void Timeline::setCurrent(Timeline* timeline) { gCurrent = timeline; }
