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

// The frame steps from time on for the effects that are on then, without events and with the link
// each will have at time; effects that begin a rehearsed span at time (starting[i]) are started
// first when the script starts them by then. Frame steps one frame step apart: the second meets
// the state the first left behind, as the show's second frame does (a pixel buffer's context
// keeps its state from frame to frame), and sees a phase above 0 (at a span's first ms a turn by
// phase x speed is a turn by 0, which leaves a matrix the identity, and the driver keeps another
// program for an identity texture matrix). The update passes after them are for llvmpipe, which
// compiles one more vertex program variant at the fifth draw in a buffer's new context (Mesa
// 22.3, seen with apitrace: the GL state of the fourth and fifth draw is the same); the render
// pass, which costs most, is not needed for that.
void rehearseFrames(EffectList& list, const Timeline& timeline, uint32_t time, const std::vector<bool>& starting) {
  const DemoSettings& settings = demoSettings();
  for (size_t i = 0; i < list.size(); ++i) {
    Effect* effect = list.getEffect(i);
    const std::string name = effect->getName();
    const EffectEvent* link = EffectWarmUp::lastEvent(timeline, name, 2, time);
    effect->setLinkedEffect(link ? list.find(link->text) : nullptr);
    if (!starting[i]) continue;
    // The show's own start event comes again before the effect is drawn, so what a start sets
    // up is set up again then.
    if (const EffectEvent* init = EffectWarmUp::lastEvent(timeline, name, 0, time)) {
      gOuterHandler = setReportHandler(quietStartReport);
      effect->start(init->time);
      setReportHandler(gOuterHandler);
    }
  }
  for (int frame = 0; frame < EffectWarmUp::kFramesPerTime; ++frame) {
    const uint32_t t = time + static_cast<uint32_t>(frame) * EffectWarmUp::kFrameStepMs;
    glViewport(0, 0, settings.screenWidth, settings.screenHeight);
    if (frame < EffectWarmUp::kDrawnFrames)
      Timeline::drawEffects(list, t);
    else
      Timeline::updateEffects(list, t);
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

std::vector<uint32_t> EffectWarmUp::spanStarts(const BoolVariable& active, uint32_t from, uint32_t to) {
  std::vector<uint32_t> starts;
  uint32_t time = from;
  while (time <= to && firstActiveTime(active, time, &time) && time <= to) {
    starts.push_back(time);
    // On to the end of this span: the next key that switches it off.
    bool ended = false;
    for (const auto& key : active.getKeys()) {
      if (key.time > time && !key.value) {
        time = key.time;
        ended = true;
        break;
      }
    }
    if (!ended) break;  // on to the end of the show
  }
  return starts;
}

int EffectWarmUp::run(EffectList& list, const Timeline& timeline, uint32_t from, uint32_t to) {
  // What is rehearsed: each effect's first span in the window, and every later span whose link
  // differs from those of the spans rehearsed before (a post effect taking a new input draws that
  // input into its buffers for the first time then).
  struct Entry {
    uint32_t time;
    size_t effect;
  };
  std::vector<Entry> entries;
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string name = list.getEffect(i)->getName();
    std::vector<std::string> links;
    for (uint32_t time : spanStarts(list.getEffect(i)->getActive(), from, to)) {
      const EffectEvent* link = lastEvent(timeline, name, 2, time);
      const std::string target = link ? link->text : std::string();
      if (std::find(links.begin(), links.end(), target) != links.end()) continue;
      links.push_back(target);
      entries.push_back(Entry{time, i});
    }
  }
  std::vector<uint32_t> times;
  for (const Entry& entry : entries) times.push_back(entry.time);
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());

  const uint32_t random = randomState();
  const uint32_t patternStep = Effect::getLastPatternStep();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  std::vector<bool> starting(list.size(), false);
  for (uint32_t time : times) {
    std::fill(starting.begin(), starting.end(), false);
    for (const Entry& entry : entries)
      if (entry.time == time) starting[entry.effect] = true;
    saveAll(list);
    rehearseFrames(list, timeline, time, starting);
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
