#include "steady_clock.h"

#include <chrono>

namespace frameinterp {
namespace {

int64_t ReadSteadyClock() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

SteadyClockFn g_clock = &ReadSteadyClock;

}  // namespace

int64_t SteadyNowNs() { return g_clock(); }

void SetSteadyClockForTesting(SteadyClockFn clock) { g_clock = clock ? clock : &ReadSteadyClock; }

}  // namespace frameinterp
