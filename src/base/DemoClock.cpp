#include "DemoClock.h"

#include <SDL.h>

namespace {
int64_t sdlCounter() { return static_cast<int64_t>(SDL_GetPerformanceCounter()); }
}  // namespace

DemoClock::DemoClock()
    : _counter(sdlCounter), _frequency(static_cast<int64_t>(SDL_GetPerformanceFrequency())) {}

DemoClock::DemoClock(CounterFn counter, int64_t frequency) : _counter(counter), _frequency(frequency) {}

void DemoClock::setOffset(int32_t offsetMs) { _offset = offsetMs; }

void DemoClock::start() { _startCount = _counter(); }

int64_t DemoClock::now() const { return (_counter() - _startCount) * 1000 / _frequency + _offset; }

DemoClock& DemoClock::instance() {
  static DemoClock clock;
  return clock;
}
