// A conversion's requests made by several sessions of the module at once,
// one per thread, with the answers of one session. The requests are cut into
// parts of consecutive requests, each beginning where one session starts
// afresh (SessionRestarts), which the sessions take in turn; the answers are
// handed on in order. A planner thread reads the input ahead and cuts the
// parts, and the calling thread hands the answers on (writes them) as they
// come, so memory holds a few frames per session and the parts in flight.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "cli_options.h"
#include "frame_store.h"
#include "rational.h"
#include "request_loop.h"

namespace fitool {

// Output frames first ... end - 1 of a conversion; no end: to the end of
// its input.
struct OutputRun {
  int64_t first = 0;
  std::optional<int64_t> end;
};

// Run K of N of the `total` output frames of a whole conversion: frames
// floor((K - 1) x total / N) to floor(K x total / N) - 1.
OutputRun SegmentOf(const Segment& segment, int64_t total);

// Receives request k's time and the upstream frames on the thread of the
// session that made it, before its answer is handed on.
using UpstreamHook = std::function<void(int64_t k, int64_t time, FrameSequence& upstream)>;

// Makes the plan's requests for the output frames of `run` in `mode` through
// `sessions` sessions configured as RunModulePass configures its one, on the
// frames of `store` at `rate`, and hands each picture to `on_frame` on the
// calling thread, in order; an empty answer hands on the previous picture
// again and is counted. A run that begins later than frame 0 makes its
// requests from the last point before it where one session starts afresh.
// A part ends at the first such point `part_requests` requests or more after
// its start. `on_request` may be empty. Throws ToolError: the failure of the
// earliest request that failed, or of the reading of the input.
RequestCounts RunParallelConversion(const Options& options, FrameStore& store, Rational rate,
                                    uint32_t mode, const RequestPlan& plan, const OutputRun& run,
                                    int sessions, int64_t part_requests, const FrameSink& on_frame,
                                    const UpstreamHook& on_request);

}  // namespace fitool
