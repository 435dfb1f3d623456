#include <limits>

#include "motion/candidate_pairs.h"
#include "motion/me_costs.h"
#include "motion/synthesis.h"

namespace frameinterp {
namespace {

constexpr uint64_t kNoCost = std::numeric_limits<uint64_t>::max();

bool inside_grid(const MIContext& ctx, int32_t mb_x, int32_t mb_y) {
  return mb_x >= 0 && mb_x < ctx.blocks_x && mb_y >= 0 && mb_y < ctx.blocks_y;
}

// -1 in the first quarter of the window's columns (rows), 0 in the middle
// two, +1 in the last: which neighbour that part of the window lies over.
int32_t window_quarter(int32_t offset, int32_t log2_size) {
  return ((offset >> (log2_size - 1)) * 2 - 3) / 2;
}

}  // namespace

void collect_bilat_candidates(std::shared_ptr<MIContext> mi_ctx, const MIBlock* block,
                              int32_t mb_x, int32_t mb_y, int32_t alpha) {
  MIContext& ctx = *mi_ctx;
  const int32_t log2_size = ctx.log2_block_size;
  const bool adaptive = ctx.comp_mode == COMP_MODE_ADAPTIVE;
  const int32_t bx = block->vectors[0][0];
  const int32_t by = block->vectors[0][1];

  // Cost of this block's vector at each neighbour's place, [dy + 1][dx + 1];
  // 0 where there is no neighbour (its weight is then left as it is).
  uint64_t cross[3][3] = {};
  if (adaptive) {
    for (int32_t dy = -1; dy <= 1; ++dy) {
      for (int32_t dx = -1; dx <= 1; ++dx) {
        const int32_t nx = mb_x + dx, ny = mb_y + dy;
        if ((dx != 0 || dy != 0) && inside_grid(ctx, nx, ny)) {
          cross[dy + 1][dx + 1] = bilateral_sad(&ctx.estimator, nx << log2_size,
                                                ny << log2_size, (nx << log2_size) + bx,
                                                (ny << log2_size) + by);
        }
      }
    }
  }

  // The bilateral vector spans half the interval; the window stays in place.
  const PairShares shares = pair_shares(2 * bx, 2 * by, alpha);
  const int32_t sx = (mb_x << log2_size) - ctx.block_size / 2;
  const int32_t sy = (mb_y << log2_size) - ctx.block_size / 2;
  for_each_window_pixel(ctx, sx, sy, [&](int32_t x, int32_t y, uint32_t weight) {
    if (adaptive) {
      const int32_t qx = window_quarter(x - sx, log2_size);
      const int32_t qy = window_quarter(y - sy, log2_size);
      if ((qx != 0 || qy != 0) && inside_grid(ctx, mb_x + qx, mb_y + qy)) {
        const uint64_t c = cross[qy + 1][qx + 1];
        const uint64_t n = ctx.bilat_blocks[(mb_y + qy) * ctx.blocks_x + mb_x + qx].bilat_cost;
        if (c != 0 && c != kNoCost && n != kNoCost) {
          const uint64_t r = std::min<uint64_t>(n * ALPHA_SCALE / c, ALPHA_SCALE);
          weight = static_cast<uint32_t>(r * weight / ALPHA_SCALE);
        }
      }
    }
    add_candidate_pair(ctx, x, y, weight, shares);
  });
}

}  // namespace frameinterp
