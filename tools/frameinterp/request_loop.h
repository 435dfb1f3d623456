// Asks a session for the frame at each of a run of times, the way the
// harness plays the host.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/service.h"
#include "picture.h"
#include "tool_error.h"

namespace fitool {

struct RequestCounts {
  int64_t frames = 0;   // pictures handed on, one per request
  int64_t repeats = 0;  // of them, repeats of the previous picture for empty answers
  double seconds = 0;   // wall time spent in the module's GetFrame
  double processor_seconds = 0;  // processor time of the calling thread in GetFrame
};

// "1 frame", "N frames".
std::string FrameCount(int64_t frames);

// The module's time per request, in milliseconds.
double MillisecondsPerFrame(const RequestCounts& counts);
// The processor time of the module per request, in milliseconds.
double ProcessorMillisecondsPerFrame(const RequestCounts& counts);

// The requests of a run, k = 0, 1, ...
struct RequestPlan {
  // The time of request k, or nullopt to end the run before it.
  std::function<std::optional<int64_t>(int64_t k)> time;
  // Once request k has returned, whether its answer belongs to the run (false
  // ends the run without it); null: every answer belongs.
  std::function<bool(int64_t k)> keep;
  // The number of requests, when known up front.
  std::optional<int64_t> total;
};
// A request at each of `times`, which must outlive the plan.
RequestPlan PlanFrom(const std::vector<int64_t>& times);

// Receives request k's time and picture.
using FrameSink = std::function<void(int64_t k, int64_t time, const Picture& picture)>;

// The picture of the answer to request k at `time`, nullopt for an empty
// answer. Throws ToolError when the answer's picture cannot be read.
std::optional<Picture> AnswerPicture(const std::shared_ptr<avcore::IMediaSample>& answer,
                                     int64_t k, int64_t time);

// The failure of a run whose first request, at `time`, got no frame: there
// is no earlier picture to repeat in its place.
ToolError NoFirstFrame(int64_t time);

// Calls GetFrame(t, 0) for each time of the plan in order, then
// `after_request` (which may throw to end the run), and hands the answer's
// picture, when it belongs to the run, to `on_frame` at once (the module may
// reuse its output sample). An empty answer hands on the previous picture
// again and is counted. Throws ToolError when the first answer is empty or an
// answer's picture cannot be read.
RequestCounts RequestFrames(service::IFrameInterp& session, const RequestPlan& plan,
                            const std::function<void()>& after_request, const FrameSink& on_frame);

}  // namespace fitool
