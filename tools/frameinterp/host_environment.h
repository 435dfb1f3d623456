// The stand-in host around the module for one run: the log threshold chosen
// by -v and the host services the module asks for (visual processing, and the
// GPU service answering GPU kind 2), registered for the run's lifetime.
#pragma once

#include <cstdint>

namespace fitool {

// The stand-in core's log threshold for a count of -v: by default nothing of
// the module's log is shown; -v shows level 4 (failures and per-request
// lines), -vv adds level 3 (limits reached), -vvv level 1 (timing of
// pipeline stages), -vvvv level 0 (per-blend trace).
int32_t LogThresholdFor(int verbosity);

class HostEnvironment {
public:
  explicit HostEnvironment(int verbosity);
  ~HostEnvironment();
  HostEnvironment(const HostEnvironment&) = delete;
  HostEnvironment& operator=(const HostEnvironment&) = delete;
};

}  // namespace fitool
