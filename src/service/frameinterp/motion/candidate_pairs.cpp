#include "motion/candidate_pairs.h"

#include "motion/synthesis.h"

namespace frameinterp {

void clear_candidates(MIContext& ctx) {
  const size_t pixels = static_cast<size_t>(ctx.estimator.width) * ctx.estimator.height;
  for (size_t i = 0; i < pixels; ++i) {
    ctx.px_refs[i].count = 0;
  }
}

PairShares pair_shares(int32_t vx, int32_t vy, int32_t alpha) {
  // Vectors are a few times the search range at most, so v x 1024 fits in i32.
  const int32_t beta = ALPHA_SCALE - alpha;
  return {vx * alpha / ALPHA_SCALE,
          vy * alpha / ALPHA_SCALE,
          -(vx * beta / ALPHA_SCALE),
          -(vy * beta / ALPHA_SCALE),
          static_cast<uint32_t>(beta),
          static_cast<uint32_t>(alpha)};
}

}  // namespace frameinterp
