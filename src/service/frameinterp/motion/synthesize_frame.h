// Producing the frame at a requested time between frames[1] and frames[2] of
// the window.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// Where `pts` lies between `first` and `second`, in 1/1024 of the interval:
// 0 at or before `first` (also when both times are equal), 1024 at or after
// `second`, otherwise the truncated quotient (pts - first) x 1024 /
// (second - first), 1 to 1023. Exact for every 64-bit time.
int32_t interpolation_position(int64_t pts, int64_t first, int64_t second);

// Fills the planes of `out` (its pts holds the requested time) with the frame
// at that time: a copy of frames[1] at or before it, of frames[2] at or after
// it, of the nearer one after a scene cut, otherwise the motion-compensated
// synthesis. Leaves `out` as it is when the context is not ready, a window
// frame is missing or `out` differs from the window frames in size or format.
void synthesize_frame(std::shared_ptr<MIContext> mi_ctx, MIFrame* out);

}  // namespace frameinterp
