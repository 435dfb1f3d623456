// Motion contexts configured the way the motion frame source configures them.
#pragma once

#include <memory>

#include "motion/mi_context.h"
#include "synthetic_planes.h"

namespace frameinterp::testing {

using ContextConfig = MotionSettings;

inline std::shared_ptr<MIContext> make_context(const ContextConfig& c = {}) {
  auto ctx = std::make_shared<MIContext>();
  configure(*ctx, c);
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
