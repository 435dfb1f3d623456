// Asks a session for the frame at each of a list of times, the way the
// harness plays the host.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "host/service.h"
#include "picture.h"

namespace fitool {

struct RequestCounts {
  int64_t frames = 0;   // pictures handed on, one per request
  int64_t repeats = 0;  // of them, repeats of the previous picture for empty answers
  double seconds = 0;   // wall time spent in the module's GetFrame
};

// The module's time per request, in milliseconds.
double MillisecondsPerFrame(const RequestCounts& counts);

// Calls GetFrame(t, 0) for each time in order and hands the answer's picture
// to `on_frame` at once (the module may reuse its output sample). An empty
// answer hands on the previous picture again and is counted. Throws ToolError
// when the first answer is empty or an answer's picture cannot be read.
RequestCounts RequestFrames(service::IFrameInterp& session, const std::vector<int64_t>& times,
                            const std::function<void(int64_t index, const Picture&)>& on_frame);

}  // namespace fitool
