// The two operations between the motion frame source and the estimation and
// synthesis kernels: pushing a frame into the window of four (with the motion
// estimation the new window needs), and producing the frame at a requested
// time between frames[1] and frames[2].
#pragma once

#include <cstdint>
#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// Positions are in 1/1024 of the interval: 0 is frames[1], 1024 frames[2].
inline constexpr int32_t ALPHA_SCALE = 1024;

// Drops frames[0], moves the window down and puts `frame` in frames[3] (the
// dropped slot's block array goes with it); then estimates by me_mode:
// bidirectional, the vectors of frames[2] into frames[1] and frames[3];
// bilateral (once four frames are in), one vector per block of the frame
// between frames[1] and frames[2], with its cost for adaptive compensation and
// the split refinement when enabled. The frame must stay alive and unchanged
// while it is in the window. Returns 0, or the non-zero result of the split
// refinement. A context that is not ready is left alone.
int32_t inject_frame(std::shared_ptr<MIContext> mi_ctx, MIFrame* frame);

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
