#pragma once
// The scheduled events of the loaded script in time order, and the frame step that delivers
// due events, then updates and renders the active instances of the current effect list.
#include "EffectEvent.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class EffectList;

class Timeline {
 public:
  static constexpr size_t kReservedText = 255;
  // Reserves room for the texts of the event being delivered (see runFrame).
  Timeline();

  // Removes every event; cursor at the start.
  void clear();
  // Appends a copy of event.
  void schedule(const EffectEvent& event);
  // Stable sort by ascending time (equal times keep their scheduling order); cursor to the start.
  void sort();
  // True when an undelivered event exists and time is at or after its time.
  bool isDue(uint32_t time) const;
  // The event at the cursor, advancing the cursor. At the end: an empty event, cursor unmoved.
  const EffectEvent& next();
  // The frame step at time t (ms): events (names and texts up to kReservedText characters are
  // delivered without allocating), update pass, then render pass inside viewport
  // (0, 0, screen width, screen height) and pushed projection and modelview matrices; leaves the
  // modelview matrix selected. Needs a current GL context; does nothing without an effect list.
  // The show begins at 0: before it (a start time below 0) nothing is due, updated or drawn, so
  // no effect reads a time before 0 as a huge unsigned one and the show from 0 on is the same
  // whatever the start time.
  void runFrame(int32_t t);
  // The event half of runFrame: every undelivered event due at t goes to its effect of the
  // current list, in order; nothing without a list.
  void deliverDue(uint32_t t);
  // The frame step without events: every active effect of list updated, then drawn.
  static void drawEffects(EffectList& list, uint32_t t);
  // Its update pass alone: each effect's activity flag set for t, and every active one updated
  // (post effects draw their input into their buffers then).
  static void updateEffects(EffectList& list, uint32_t t);

  const std::vector<EffectEvent>& getEvents() const { return _events; }
  size_t getCursor() const { return _cursor; }

  // The timeline owned by the entry for the whole run (null when none).
  static Timeline* current();
  static void setCurrent(Timeline* timeline);

 private:
  std::vector<EffectEvent> _events;
  size_t _cursor = 0;  // next event to deliver
  // The event being delivered, a copy a handler that schedules events cannot invalidate; kept
  // so that its strings reuse their room (delivering an event allocates nothing then).
  EffectEvent _delivering;
};
