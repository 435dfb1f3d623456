// The stand-in host around the module for one run: the module's log, shown as
// the count of -v asks, and the host services the module asks for (visual
// processing, and the GPU service answering GPU kind 2), registered for the
// run's lifetime.
#pragma once

#include <cstdint>

#include "standin/log_control.h"

namespace fitool {

// The module's failures (log level 4) are always shown; each -v adds:
//   -v     the limits the module reached (level 3), and the harness's own
//          details (the input, the module file of each pass)
//   -vv    the timing of the motion pipeline's stages (level 1)
//   -vvv   the module's per-request lines: each motion answer's timing (level
//          4) and each blend's trace (level 0)
inline constexpr int kMostVerbose = 3;

// Whether the log line is shown at the given count of -v.
bool ShowsModuleLine(int verbosity, const standin::LogLine& line);

class HostEnvironment {
public:
  explicit HostEnvironment(int verbosity);
  // Shows the log lines not yet shown and unregisters the services.
  ~HostEnvironment();
  HostEnvironment(const HostEnvironment&) = delete;
  HostEnvironment& operator=(const HostEnvironment&) = delete;
};

// Writes the module's log lines since the last call to stderr, those that
// the -v count of the run's HostEnvironment lets through; of the lines for
// answers the motion mode could not synthesise, only the first below -vvv.
void ShowModuleLog();

// How many answers of the run the motion mode could not synthesise (it
// answered with the upstream frame), as its log has said so far.
int64_t ModuleFallbacks();

}  // namespace fitool
