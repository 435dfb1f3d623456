#include "motion/scene_cut.h"

#include <algorithm>
#include <cmath>

namespace frameinterp {

bool check_scene_cut(std::shared_ptr<MIContext> mi_ctx) {
  MIContext& ctx = *mi_ctx;
  const MIFrame* a = ctx.frames[1].frame;
  const MIFrame* b = ctx.frames[2].frame;
  const int32_t width = ctx.estimator.width, height = ctx.estimator.height;
  if (ctx.scene_detect != 1 || !ctx.ready || !a || !b || width < 1 || height < 1) {
    return false;
  }

  // Two frames that show one plane (the first picture of a window fills two
  // slots) differ nowhere.
  uint64_t sad = 0;
  if (a->data[0] != b->data[0] || a->linesize[0] != b->linesize[0]) {
    ctx.frame_sad(a->data[0], a->linesize[0], b->data[0], b->linesize[0], width, height, &sad);
  }

  // Mean absolute difference in percent of the sample range.
  const double pixels = static_cast<double>(width * height);  // fits in int32: checked by reset_input
  const double mean = static_cast<double>(sad) * 100.0 / pixels /
                      static_cast<double>(int32_t{1} << ctx.bit_depth);
  // A cut needs both a large difference and a large jump from the previous pair's.
  const double jump = std::fabs(mean - ctx.prev_frame_diff);
  const float score = std::clamp(static_cast<float>(std::min(jump, mean)), 0.0f, 100.0f);
  ctx.prev_frame_diff = mean;
  return static_cast<double>(score) >= ctx.scene_threshold;
}

}  // namespace frameinterp
