#include "EffectWarmUp.h"

#include <epoxy/gl.h>

#include <algorithm>

#include "BoolVariable.h"
#include "DemoSettings.h"
#include "Effect.h"
#include "EffectList.h"
#include "ErrorReport.h"
#include "Random.h"
#include "Timeline.h"

namespace {
ReportHandler gOuterHandler = nullptr;

// Reports of a trial start: the show's own start event makes the same report again at its time,
// so a non-fatal one is dropped here; a fatal one goes out as usual.
void quietStartReport(const char* text, bool fatal) {
  if (!fatal) return;
  setReportHandler(gOuterHandler);
  reportErrorText(__FILE__, __LINE__, "warm-up", text, true);
}

void saveAll(const EffectList& list) {
  for (size_t i = 0; i < list.size(); ++i) list.getEffect(i)->saveFrameState();
}

void restoreAll(const EffectList& list) {
  for (size_t i = 0; i < list.size(); ++i) list.getEffect(i)->restoreFrameState();
}

// One effect's update and render as the frame step does them.
void renderOnce(Effect& effect, uint32_t time) {
  const DemoSettings& settings = demoSettings();
  glViewport(0, 0, settings.screenWidth, settings.screenHeight);
  effect.setWasActive(true);
  effect.update(time);
  glViewport(0, 0, settings.screenWidth, settings.screenHeight);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  effect.render(time);
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}
}  // namespace

bool EffectWarmUp::firstActiveTime(const BoolVariable& active, uint32_t from, uint32_t* time) {
  const auto& keys = active.getKeys();
  if (keys.size() >= 2) {
    // Key i holds from its time until the next key's; after the last key the current value does.
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
      if (keys[i].value && keys[i + 1].time > from) {
        *time = std::max(keys[i].time, from);
        return true;
      }
    }
    if (!active.getCurrentValue()) return false;
    *time = std::max(keys.back().time, from);
    return true;
  }
  if (!active.getCurrentValue()) return false;
  *time = from;
  return true;
}

const EffectEvent* EffectWarmUp::lastEvent(const Timeline& timeline, const std::string& name, int32_t type,
                                           uint32_t time) {
  const EffectEvent* last = nullptr;
  for (const EffectEvent& event : timeline.getEvents())
    if (event.type == type && event.time <= time && event.effectName == name) last = &event;
  return last;
}

int EffectWarmUp::run(EffectList& list, const Timeline& timeline, uint32_t from, uint32_t to) {
  const uint32_t random = randomState();
  const uint32_t patternStep = Effect::getLastPatternStep();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  int rendered = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    Effect* effect = list.getEffect(i);
    uint32_t time = 0;
    if (!firstActiveTime(effect->getActive(), from, &time) || time > to) continue;
    saveAll(list);
    const std::string name = effect->getName();
    const EffectEvent* link = lastEvent(timeline, name, 2, time);
    effect->setLinkedEffect(link ? list.find(link->text) : nullptr);
    // The show's own start event comes again before the effect is drawn, so what a start sets
    // up is set up again then.
    if (const EffectEvent* init = lastEvent(timeline, name, 0, time)) {
      gOuterHandler = setReportHandler(quietStartReport);
      effect->start(init->time);
      setReportHandler(gOuterHandler);
    }
    renderOnce(*effect, time);
    restoreAll(list);
    seedRandom(random);
    Effect::setLastPatternStep(patternStep);
    ++rendered;
  }
  glPopClientAttrib();
  glPopAttrib();
  // The drawing is done now, not in the first frame of the show.
  glFinish();
  return rendered;
}
