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

void add_candidate_pair(MIContext& ctx, int32_t x, int32_t y, uint32_t weight,
                        const PairShares& shares) {
  const int32_t width = ctx.estimator.width;
  const int32_t height = ctx.estimator.height;
  const size_t i = static_cast<size_t>(y) * width + x;
  CandidateRefs& refs = ctx.px_refs[i];
  if (weight == 0 || refs.count + 1 >= MAX_CANDIDATES) {
    return;
  }
  CandidateWeights& weights = ctx.px_weights[i];
  CandidateVectors& vectors = ctx.px_vectors[i];
  // Clamped displacements are no longer than the unclamped ones: they fit in i16.
  const auto put = [&](int8_t ref, uint32_t w, int32_t dx, int32_t dy) {
    const int32_t n = refs.count;
    refs.refs[n] = ref;
    weights.weights[n] = w;
    vectors.vectors[n][0] = static_cast<int16_t>(std::clamp(dx, -x, width - 1 - x));
    vectors.vectors[n][1] = static_cast<int16_t>(std::clamp(dy, -y, height - 1 - y));
    refs.count = n + 1;
  };
  // weight <= 255, so weight x 1024 fits in u32.
  put(1, weight * shares.first_weight, shares.first_x, shares.first_y);
  put(2, weight * shares.second_weight, shares.second_x, shares.second_y);
}

}  // namespace frameinterp
