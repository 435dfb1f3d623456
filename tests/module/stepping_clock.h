// A module clock that advances by a fixed step on every reading, so that time
// limits and timing lines can be tested without waiting.
#pragma once

#include <cstdint>

#include "steady_clock.h"

class SteppingClock {
public:
  explicit SteppingClock(int64_t step_ns) {
    Step() = step_ns;
    Readings() = 0;
    frameinterp::SetSteadyClockForTesting(&Now);
  }
  ~SteppingClock() { frameinterp::SetSteadyClockForTesting(nullptr); }
  SteppingClock(const SteppingClock&) = delete;
  SteppingClock& operator=(const SteppingClock&) = delete;

  // Readings so far; reading n gives n steps.
  static int64_t& Readings() {
    static int64_t readings = 0;
    return readings;
  }

private:
  static int64_t& Step() {
    static int64_t step = 0;
    return step;
  }
  static int64_t Now() { return ++Readings() * Step(); }
};
