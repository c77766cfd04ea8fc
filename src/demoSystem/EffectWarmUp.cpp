#include "EffectWarmUp.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <vector>

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

// A frame step at time for the effects that are on then, without events and with the link each
// will have then; effects whose first span begins at time are started first when the script
// starts them by then. Drawn twice: the second pass meets the state the first left behind, as
// the show's second frame does (a pixel buffer's context keeps its state from frame to frame).
void rehearseFrame(EffectList& list, const Timeline& timeline, uint32_t time, const std::vector<uint32_t>& debuts) {
  const DemoSettings& settings = demoSettings();
  for (size_t i = 0; i < list.size(); ++i) {
    Effect* effect = list.getEffect(i);
    const std::string name = effect->getName();
    const EffectEvent* link = EffectWarmUp::lastEvent(timeline, name, 2, time);
    effect->setLinkedEffect(link ? list.find(link->text) : nullptr);
    if (debuts[i] != time) continue;
    // The show's own start event comes again before the effect is drawn, so what a start sets
    // up is set up again then.
    if (const EffectEvent* init = EffectWarmUp::lastEvent(timeline, name, 0, time)) {
      gOuterHandler = setReportHandler(quietStartReport);
      effect->start(init->time);
      setReportHandler(gOuterHandler);
    }
  }
  for (int pass = 0; pass < 2; ++pass) {
    glViewport(0, 0, settings.screenWidth, settings.screenHeight);
    Timeline::drawEffects(list, time);
  }
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
  // Each effect's debut: the start of its first span in the window (kNever when none).
  constexpr uint32_t kNever = 0xFFFFFFFFu;
  std::vector<uint32_t> debuts(list.size(), kNever);
  std::vector<uint32_t> times;
  for (size_t i = 0; i < list.size(); ++i) {
    uint32_t time = 0;
    if (!firstActiveTime(list.getEffect(i)->getActive(), from, &time) || time > to) continue;
    debuts[i] = time;
    times.push_back(time);
  }
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());

  const uint32_t random = randomState();
  const uint32_t patternStep = Effect::getLastPatternStep();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  for (uint32_t time : times) {
    saveAll(list);
    rehearseFrame(list, timeline, time, debuts);
    restoreAll(list);
    seedRandom(random);
    Effect::setLastPatternStep(patternStep);
  }
  glPopClientAttrib();
  glPopAttrib();
  // The drawing is done now, not in the first frame of the show.
  glFinish();
  return static_cast<int>(times.size());
}
