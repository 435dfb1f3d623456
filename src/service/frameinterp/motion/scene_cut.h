// The scene-change check between the two middle frames of the window.
#pragma once

#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// Compares the luma planes of frames[1] and frames[2] and updates
// prev_frame_diff; true on a scene change. False, changing nothing, when
// detection is off, the context is not ready or either frame is missing.
bool check_scene_cut(std::shared_ptr<MIContext> mi_ctx);

}  // namespace frameinterp
