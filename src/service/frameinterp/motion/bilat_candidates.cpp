#include <algorithm>
#include <limits>

#include "motion/me_costs.h"
#include "motion/overlap_windows.h"
#include "motion/synthesis.h"

namespace frameinterp {
namespace {

constexpr uint64_t kNoCost = std::numeric_limits<uint64_t>::max();
constexpr int32_t kMaxSide = 32;

bool inside_grid(const MIContext& ctx, int32_t mb_x, int32_t mb_y) {
  return mb_x >= 0 && mb_x < ctx.blocks_x && mb_y >= 0 && mb_y < ctx.blocks_y;
}

// -1 in the first quarter of the window's columns (rows), 0 in the middle
// two, +1 in the last: which neighbour that part of the window lies over.
int32_t window_quarter(int32_t offset, int32_t log2_size) {
  return ((offset >> (log2_size - 1)) * 2 - 3) / 2;
}

// The block's window with each part that lies over a neighbour weighted by
// r / 1024, r = min(1024, 1024 x the neighbour's own cost / the cost of this
// block's vector at the neighbour's place); unchanged where either cost is
// unusable or there is no neighbour.
void adapt_window(const MIContext& ctx, int32_t mb_x, int32_t mb_y, int32_t bx, int32_t by,
                  uint8_t* adapted) {
  const int32_t log2_size = ctx.log2_block_size;
  const int32_t side = 2 * ctx.block_size;
  const uint8_t* window = overlap_windows[4 - log2_size];
  // Cost of this block's vector at each neighbour's place, [dy + 1][dx + 1];
  // its penalty measured against the estimator's predicted vector as it is now.
  uint64_t cross[3][3] = {};
  for (int32_t dy = -1; dy <= 1; ++dy) {
    for (int32_t dx = -1; dx <= 1; ++dx) {
      const int32_t nx = mb_x + dx, ny = mb_y + dy;
      if ((dx != 0 || dy != 0) && inside_grid(ctx, nx, ny)) {
        cross[dy + 1][dx + 1] = bilateral_sad(&ctx.estimator, nx << log2_size, ny << log2_size,
                                              (nx << log2_size) + bx, (ny << log2_size) + by);
      }
    }
  }
  for (int32_t r = 0; r < side; ++r) {
    const int32_t qy = window_quarter(r, log2_size);
    for (int32_t c = 0; c < side; ++c) {
      const int32_t qx = window_quarter(c, log2_size);
      uint32_t weight = window[r * side + c];
      if ((qx != 0 || qy != 0) && inside_grid(ctx, mb_x + qx, mb_y + qy)) {
        const uint64_t cost = cross[qy + 1][qx + 1];
        const uint64_t own = ctx.bilat_blocks[(mb_y + qy) * ctx.blocks_x + mb_x + qx].bilat_cost;
        if (cost != 0 && cost != kNoCost && own != kNoCost) {
          const uint64_t ratio = std::min<uint64_t>(own * ALPHA_SCALE / cost, ALPHA_SCALE);
          weight = static_cast<uint32_t>(ratio * weight / ALPHA_SCALE);
        }
      }
      adapted[r * side + c] = static_cast<uint8_t>(weight);
    }
  }
}

}  // namespace

void collect_bilat_candidates(SynthesisPass& pass, const MIBlock& block, int32_t mb_x,
                              int32_t mb_y) {
  const MIContext& ctx = pass.context();
  const int32_t log2_size = ctx.log2_block_size;
  const int32_t bx = block.vectors[0][0];
  const int32_t by = block.vectors[0][1];
  uint8_t adapted[kMaxSide * kMaxSide];
  const uint8_t* window = overlap_windows[4 - log2_size];
  if (ctx.comp_mode == COMP_MODE_ADAPTIVE) {
    adapt_window(ctx, mb_x, mb_y, bx, by, adapted);
    window = adapted;
  }
  // The bilateral vector spans half the interval; the window stays in place.
  pass.add_window((mb_x << log2_size) - ctx.block_size / 2, (mb_y << log2_size) - ctx.block_size / 2,
                  window, 2 * bx, 2 * by);
}

}  // namespace frameinterp
