#pragma once
// The show's single time source: milliseconds on the high-resolution performance counter,
// shifted by the script's start time. Never corrected from the music position.
#include <cstdint>

class DemoClock {
 public:
  using CounterFn = int64_t (*)();  // returns the current counter value in ticks

  // The SDL performance counter.
  DemoClock();
  // A given counter (tests, the stepped capture clock); frequency in ticks per second, > 0.
  DemoClock(CounterFn counter, int64_t frequency);

  void setOffset(int32_t offsetMs);  // sign-extended
  void start();                      // start count = current counter value
  // (counter - start count) * 1000 / frequency + offset, signed 64-bit, truncating.
  int64_t now() const;

  // The program-wide clock.
  static DemoClock& instance();

 private:
  CounterFn _counter;
  int64_t _frequency;   // ticks per second
  int64_t _startCount = 0;  // ticks at the last start
  int64_t _offset = 0;      // ms
};
