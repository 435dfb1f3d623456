// A module clock that advances by a fixed step on every reading (reading n
// gives n steps), so that time limits and timing lines can be tested without
// waiting.
#pragma once

#include <cstdint>

#include "steady_clock.h"

class SteppingClock {
public:
  explicit SteppingClock(int64_t step_ns) {
    State() = {step_ns, 0};
    frameinterp::SetSteadyClockForTesting([] { return ++State().readings * State().step; });
  }
  ~SteppingClock() { frameinterp::SetSteadyClockForTesting(nullptr); }
  SteppingClock(const SteppingClock&) = delete;
  SteppingClock& operator=(const SteppingClock&) = delete;

private:
  struct Readings {
    int64_t step;
    int64_t readings;
  };
  static Readings& State() {
    static Readings state{};
    return state;
  }
};
