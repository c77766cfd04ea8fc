#pragma once
// The warm-up before the show: every effect of the list is updated and rendered once, at the
// start of its first activity span, while the loading picture is still on screen. What the GL
// does only at first use then happens here instead of in the show's first frame of a section:
// the driver's programs for each new combination of state, first drawing into each pixel
// buffer, programs an effect makes at first use. Effects draw with the link they will have then
// (so post effects run their input passes) and, when the script starts them by then, after a
// start at that event's time (whose non-fatal reports are left to the show's own start).
//
// It draws into the window's back buffer, which is not swapped (the next frame clears it), and
// into the effects' own buffers, which every frame redraws before use. The show then starts as
// if nothing had run: each effect's frame state (clocks, phase, pattern step, pulse, link,
// activity flag, variable sampling), the random sequence, the last pattern step and the GL
// attribute state are put back.
#include <cstdint>
#include <string>

class BoolVariable;
struct EffectEvent;
class Effect;
class EffectList;
class Timeline;

class EffectWarmUp {
 public:
  // Warms every effect of list whose activity span begins (or holds) between from and to (ms of
  // demo time, inclusive). Needs the window's GL context current. Returns the number of effects
  // rendered.
  static int run(EffectList& list, const Timeline& timeline, uint32_t from, uint32_t to);

  // The first time at or after from at which active (step sampled) is true, in *time; false
  // when it is never true from then on.
  static bool firstActiveTime(const BoolVariable& active, uint32_t from, uint32_t* time);
  // The last event of type for name at or before time, or null.
  static const EffectEvent* lastEvent(const Timeline& timeline, const std::string& name, int32_t type, uint32_t time);
};
