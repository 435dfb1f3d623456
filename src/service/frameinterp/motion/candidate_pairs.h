// Filling the per-pixel candidate lists of the synthesis.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "motion/mi_context.h"
#include "motion/overlap_windows.h"

namespace frameinterp {

// Sets every pixel's candidate count to 0.
void clear_candidates(MIContext& ctx);

// What a pair vector (vx, vy) gives at position alpha: a sample of frames[1]
// displaced by trunc(v x alpha / 1024), weighted weight x (1024 - alpha), and
// one of frames[2] displaced by -trunc(v x (1024 - alpha) / 1024), weighted
// weight x alpha.
struct PairShares {
  int32_t first_x, first_y;    // displacement into frames[1]
  int32_t second_x, second_y;  // displacement into frames[2]
  uint32_t first_weight;       // 1024 - alpha
  uint32_t second_weight;      // alpha
};
PairShares pair_shares(int32_t vx, int32_t vy, int32_t alpha);

// Adds the pair at luma pixel (x, y), both displacements clamped into the
// picture. Nothing is added for weight 0 or when the list cannot take two
// more entries (at most 16 pairs). Inline: it runs for every pixel of every
// window.
inline void add_candidate_pair(MIContext& ctx, int32_t x, int32_t y, uint32_t weight,
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

inline void add_candidate_pair(MIContext& ctx, int32_t x, int32_t y, uint32_t weight, int32_t vx,
                               int32_t vy, int32_t alpha) {
  add_candidate_pair(ctx, x, y, weight, pair_shares(vx, vy, alpha));
}

// Calls visit(x, y, weight) for the pixels of the overlap window of side
// 2 x block_size whose top-left is (sx, sy), rows outer. Each range is
// clamped to the picture with its end at the last column (row) excluded, so
// no window reaches the picture's last column or row.
template <class Visit>
void for_each_window_pixel(const MIContext& ctx, int32_t sx, int32_t sy, Visit&& visit) {
  const int32_t width = ctx.estimator.width;
  const int32_t height = ctx.estimator.height;
  const int32_t side = 2 * ctx.block_size;
  const uint8_t* window = overlap_windows[4 - ctx.log2_block_size];
  const int32_t x_end = std::clamp(sx + side, 0, width - 1);
  const int32_t y_end = std::clamp(sy + side, 0, height - 1);
  for (int32_t y = std::clamp(sy, 0, height - 1); y < y_end; ++y) {
    const uint8_t* row = window + static_cast<ptrdiff_t>(y - sy) * side;
    for (int32_t x = std::clamp(sx, 0, width - 1); x < x_end; ++x) {
      visit(x, y, uint32_t{row[x - sx]});
    }
  }
}

}  // namespace frameinterp
