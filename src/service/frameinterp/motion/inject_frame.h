// Pushing a frame into the window of four, with the motion estimation the new
// window needs.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// Drops frames[0], moves the window down and puts `frame` in frames[3] (the
// dropped slot's block array goes with it); then estimates by me_mode:
// bidirectional, the vectors of frames[2] into frames[1] and frames[3];
// bilateral (once four frames are in), one vector per block of the frame
// between frames[1] and frames[2], with its cost for adaptive compensation and
// the split refinement when enabled. The frame must stay alive and unchanged
// while it is in the window. Returns 0, or the non-zero result of the split
// refinement. A context that is not ready is left alone.
int32_t inject_frame(std::shared_ptr<MIContext> mi_ctx, MIFrame* frame);

}  // namespace frameinterp
