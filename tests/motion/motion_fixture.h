// Motion contexts configured the way the motion frame source configures them.
#pragma once

#include <memory>

#include "motion/mi_context.h"
#include "synthetic_planes.h"

namespace frameinterp::testing {

struct ContextConfig {
  int32_t comp_mode = COMP_MODE_OBMC;
  int32_t me_mode = ME_MODE_BILAT;
  int32_t search_method = 8;
  int32_t block_size = 16;
  int32_t search_range = 32;
  int32_t split_refinement = 0;
  int32_t scene_detect = 1;
  double scene_threshold = 10.0;
};

inline std::shared_ptr<MIContext> make_context(const ContextConfig& c = {}) {
  auto ctx = std::make_shared<MIContext>();
  ctx->comp_mode = c.comp_mode;
  ctx->me_mode = c.me_mode;
  ctx->search_method = c.search_method;
  ctx->block_size = c.block_size;
  ctx->search_range = c.search_range;
  ctx->split_refinement = c.split_refinement;
  ctx->scene_detect = c.scene_detect;
  ctx->scene_threshold = c.scene_threshold;
  return ctx;
}

// Points the estimator at two planes of one stride.
inline void aim(MEContext& me, const Plane& cur, const Plane& ref) {
  me.cur_plane = cur.data();
  me.ref_plane = ref.data();
  me.linesize = cur.stride;
}

// Frees the context's buffers on scope exit, whatever the test's outcome.
struct ContextGuard {
  std::shared_ptr<MIContext> ctx;
  ~ContextGuard() { destroy(ctx); }
};

}  // namespace frameinterp::testing
