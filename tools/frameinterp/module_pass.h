// One pass of the module over a run of upstream frames in one mode: the
// module loaded and configured as a host does it, every time requested, the
// progress and the module's log shown.
#pragma once

#include <cstdint>
#include <optional>

#include "cli_options.h"
#include "frame_sequence.h"
#include "progress_meter.h"
#include "rational.h"
#include "request_loop.h"

namespace fitool {

// Loads the module named by the options (or the one beside the program),
// gives a new session a provider of `upstream` at `rate` in the options'
// pixel format, `mode` and the "UseGpuEffect" option, and makes the plan's
// requests, handing each picture to `on_frame`. Throws ToolError, also when
// `upstream` cannot be read during a request.
// The module file the options name, or the one beside the program; with -v
// says which, for which mode and how many sessions.
std::string ModulePathFor(const Options& options, uint32_t mode, int sessions = 1);

// The progress display the options and stderr ask for.
ProgressMeter::Display ProgressDisplay(const Options& options);

RequestCounts RunModulePass(const Options& options, FrameSequence& upstream, Rational rate,
                            uint32_t mode, const RequestPlan& plan, const FrameSink& on_frame);

}  // namespace fitool
