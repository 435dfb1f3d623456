#include "motion/block_split.h"

#include "motion/block_search.h"

namespace frameinterp {
namespace {

constexpr int32_t kSplitSearchRange = 2;

}  // namespace

int32_t split_block(std::shared_ptr<MIContext> mi_ctx, MIBlock* block, int32_t x, int32_t y,
                    int32_t n) {
  if (n < 1) {  // a single pixel has no quarters
    block->subdivided = 0;
    return 0;
  }
  MEContext& me = mi_ctx->estimator;
  const int32_t saved_block_size = me.block_size;
  const int32_t saved_range = me.search_range;
  const int32_t vx = block->vectors[0][0], vy = block->vectors[0][1];

  // Whole-block cost, penalised against whatever vector is predicted now.
  me.block_size = 1 << n;
  const uint64_t cost_old = me.cost_fn(&me, x, y, x + vx, y + vy);
  me.block_size = saved_block_size;
  if (cost_old == 0) {
    block->subdivided = 0;
    return 0;
  }

  if (!block->quarters) {
    block->quarters = mi_ctx->buffers.quarters.take();
    if (!block->quarters) {
      return kSplitOutOfMemory;
    }
  }
  block->subdivided = 1;

  // Quarters in the order top-left, top-right, bottom-left, bottom-right. Each
  // searches as if the block stood at the end of its vector, with the vector
  // as the prediction; the estimator is in the same state for all four, so
  // they get the same vector and cost, and their own offsets only matter for
  // the nested splits.
  for (int32_t q = 0; q < 4; ++q) {
    const int32_t qx = q & 1, qy = q >> 1;
    MIBlock* quarter = &block->quarters[q];

    me.block_size = 1 << (n - 1);
    me.search_range = kSplitSearchRange;
    me.predicted_x = vx;
    me.predicted_y = vy;
    int32_t result[2] = {x + vx, y + vy};
    const uint64_t cost = search_diamond(&me, x + vx, y + vy, result);
    me.block_size = saved_block_size;
    me.search_range = saved_range;

    if (cost >= cost_old / 4) {
      block->subdivided = 0;
      return 0;
    }
    quarter->vectors[0][0] = static_cast<int16_t>(result[0] - x);
    quarter->vectors[0][1] = static_cast<int16_t>(result[1] - y);
    if (n > 1) {
      const int32_t r = split_block(mi_ctx, quarter, x + (qx << (n - 1)), y + (qy << (n - 1)),
                                    n - 1);
      if (r != 0) {
        return r;
      }
    } else {
      quarter->subdivided = 0;
    }
  }
  return 0;
}

}  // namespace frameinterp
