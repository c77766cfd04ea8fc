#pragma once
// The warm-up before the show, while the loading picture is still on screen: a rehearsal of the
// show's frame step (without events) at the start of every effect's first activity span, and of
// every later span that links the effect to an input it had not had before, so
// that what the GL does only at first use happens here instead of in the show's first frames of
// a section: the driver's programs for each new combination of state (state flows from effect
// to effect and from frame to frame as in the show; each rehearsed time is drawn as two frames
// one frame step apart, since the second frame meets what the first left behind and sees the
// effects' phase above 0, and a few more update passes follow), first drawing into each pixel
// buffer,
// programs an effect makes at first use. Effects draw with the link they will have then (so post
// effects run their input passes); an effect whose first span begins then is started first
// when the script starts it by then (non-fatal reports of that start are left to the show's own
// start event, which repeats them).
//
// It draws into the window's back buffer, which is not swapped (the next frame clears it), and
// into the effects' own buffers, which every frame redraws before use. The show then starts as
// if nothing had run: each effect's frame state (clocks, phase, pattern step, pulse, link,
// activity flag, variable sampling), the random sequence, the last pattern step and the GL
// attribute state are put back. State that only events change (textures, picked objects,
// shadows switched on later) is not rehearsed.
#include <cstdint>
#include <string>
#include <vector>

class BoolVariable;
struct EffectEvent;
class Effect;
class EffectList;
class Timeline;

class EffectWarmUp {
 public:
  // Frame steps at each rehearsed time t: at t, t + kFrameStepMs, ... (ms of demo time); the
  // first kDrawnFrames are whole frames, the others their update pass alone (in which post effects
  // draw their input into their buffers). Six: llvmpipe compiles a vertex program variant at the
  // fifth draw in a buffer's new context.
  static constexpr int kFramesPerTime = 6;
  static constexpr int kDrawnFrames = 2;
  static constexpr uint32_t kFrameStepMs = 17;  // about one frame at 60 frames per second

  // Rehearses the frames at the first span start of every effect of list that is on between
  // from and to (ms of demo time, inclusive), and at each later span start whose link is new for
  // that effect (kFramesPerTime frames from each such time). Needs the window's GL context
  // current. Returns the number of distinct times rehearsed.
  static int run(EffectList& list, const Timeline& timeline, uint32_t from, uint32_t to);

  // The first time at or after from at which active (step sampled) is true, in *time; false
  // when it is never true from then on.
  static bool firstActiveTime(const BoolVariable& active, uint32_t from, uint32_t* time);
  // The start times of the spans in which active is true that begin between from and to
  // (inclusive); a span under way at from begins at from.
  static std::vector<uint32_t> spanStarts(const BoolVariable& active, uint32_t from, uint32_t to);
  // The last event of type for name at or before time, or null.
  static const EffectEvent* lastEvent(const Timeline& timeline, const std::string& name, int32_t type, uint32_t time);
};
