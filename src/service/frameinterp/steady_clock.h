// The module's only clock: the steady clock in nanoseconds. Tests may replace
// it to exercise time limits without waiting.
#pragma once

#include <cstdint>

namespace frameinterp {

using SteadyClockFn = int64_t (*)();

int64_t SteadyNowNs();

// Replaces the clock; null restores the steady clock.
void SetSteadyClockForTesting(SteadyClockFn clock);

}  // namespace frameinterp
