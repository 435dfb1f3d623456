#include "motion/search_block.h"

#include <algorithm>

#include "motion/block_search.h"

namespace frameinterp {
namespace {

void append(PredictorSet& set, int32_t vx, int32_t vy) {
  set.vectors[set.count][0] = vx;
  set.vectors[set.count][1] = vy;
  ++set.count;
}

int32_t median3(int32_t a, int32_t b, int32_t c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Predicted vector from the spatial neighbours after the leading (0, 0):
// the median of three, the median of two and 0, the one, or (0, 0).
void predict_from_neighbours(MEContext& me, const PredictorSet& set) {
  int32_t p[2] = {0, 0};
  for (int32_t axis = 0; axis < 2; ++axis) {
    const auto v = [&](int32_t i) { return set.vectors[i][axis]; };
    switch (set.count) {
      case 4:
        p[axis] = median3(v(1), v(2), v(3));
        break;
      case 3:
        p[axis] = median3(v(1), v(2), 0);
        break;
      case 2:
        p[axis] = v(1);
        break;
      default:
        break;
    }
  }
  me.predicted_x = p[0];
  me.predicted_y = p[1];
}

// Method 8: spatial neighbours from this injection's vectors (history table
// 0), temporal ones from the last two injections (tables 1 and 2).
void predictive_search(MIContext& ctx, int32_t idx, int32_t mb_x, int32_t mb_y, int32_t dir,
                       int32_t result[2]) {
  MEContext& me = ctx.estimator;
  const auto now = [&](int32_t i) { return ctx.mv_history[0][i][dir]; };
  const auto prev = [&](int32_t i) { return ctx.mv_history[1][i][dir]; };
  const auto before = [&](int32_t i) { return ctx.mv_history[2][i][dir]; };

  PredictorSet& spatial = me.predictors[0];
  PredictorSet& temporal = me.predictors[1];
  spatial.count = 0;
  temporal.count = 0;
  append(spatial, 0, 0);
  if (mb_x > 0) {
    append(spatial, now(idx - 1)[0], now(idx - 1)[1]);
  }
  if (mb_y > 0) {
    append(spatial, now(idx - ctx.blocks_x)[0], now(idx - ctx.blocks_x)[1]);
  }
  if (mb_y > 0 && mb_x + 1 < ctx.blocks_x) {
    append(spatial, now(idx - ctx.blocks_x + 1)[0], now(idx - ctx.blocks_x + 1)[1]);
  }
  predict_from_neighbours(me, spatial);
  append(spatial, prev(idx)[0], prev(idx)[1]);

  // Constant-acceleration extrapolation of the block's own vector, then the
  // previous injection's four edge neighbours.
  append(temporal, 2 * prev(idx)[0] - before(idx)[0], 2 * prev(idx)[1] - before(idx)[1]);
  if (mb_x > 0) {
    append(temporal, prev(idx - 1)[0], prev(idx - 1)[1]);
  }
  if (mb_y > 0) {
    append(temporal, prev(idx - ctx.blocks_x)[0], prev(idx - ctx.blocks_x)[1]);
  }
  if (mb_x + 1 < ctx.blocks_x) {
    append(temporal, prev(idx + 1)[0], prev(idx + 1)[1]);
  }
  if (mb_y + 1 < ctx.blocks_y) {
    append(temporal, prev(idx + ctx.blocks_x)[0], prev(idx + ctx.blocks_x)[1]);
  }

  const int32_t x = mb_x << ctx.log2_block_size, y = mb_y << ctx.log2_block_size;
  search_predictive(&me, x, y, result);
  ctx.mv_history[0][idx][dir][0] = result[0] - x;
  ctx.mv_history[0][idx][dir][1] = result[1] - y;
}

// Method 9: spatial neighbours from the block array being estimated; the
// rightmost block of a row takes its top-left neighbour for the missing
// top-right one.
void multi_hexagon_search(MIContext& ctx, const MIBlock* blocks, int32_t idx, int32_t mb_x,
                          int32_t mb_y, int32_t dir, int32_t result[2]) {
  MEContext& me = ctx.estimator;
  const auto add = [&](int32_t i) {
    append(me.predictors[0], blocks[i].vectors[dir][0], blocks[i].vectors[dir][1]);
  };
  me.predictors[0].count = 0;
  append(me.predictors[0], 0, 0);
  if (mb_x > 0) {
    add(idx - 1);
  }
  if (mb_y > 0) {
    add(idx - ctx.blocks_x);
    if (mb_x + 1 < ctx.blocks_x) {
      add(idx - ctx.blocks_x + 1);
    } else if (mb_x > 0) {
      add(idx - ctx.blocks_x - 1);
    }
  }
  predict_from_neighbours(me, me.predictors[0]);
  search_multi_hexagon(&me, mb_x << ctx.log2_block_size, mb_y << ctx.log2_block_size, result);
}

using PlainSearch = uint64_t (*)(const MEContext*, int32_t, int32_t, int32_t[2]);

// The searches kSearchExhaustive to kSearchHexagon by code; null for the others.
PlainSearch plain_search(int32_t method) {
  switch (method) {
    case kSearchExhaustive:
      return search_exhaustive;
    case kSearchThreeStep:
      return search_three_step;
    case kSearchLog2d:
      return search_log2d;
    case kSearchNewThreeStep:
      return search_new_three_step;
    case kSearchFourStep:
      return search_four_step;
    case kSearchDiamond:
      return search_diamond;
    case kSearchHexagon:
      return search_hexagon;
    default:
      return nullptr;
  }
}

}  // namespace

void search_block(std::shared_ptr<MIContext> mi_ctx, MIBlock* blocks, int32_t mb_x,
                  int32_t mb_y, int32_t dir) {
  MIContext& ctx = *mi_ctx;
  const int32_t idx = mb_y * ctx.blocks_x + mb_x;
  const int32_t x = mb_x << ctx.log2_block_size;
  const int32_t y = mb_y << ctx.log2_block_size;
  int32_t result[2] = {x, y};

  if (ctx.search_method == kSearchPredictive) {
    predictive_search(ctx, idx, mb_x, mb_y, dir, result);
  } else if (ctx.search_method == kSearchMultiHexagon) {
    multi_hexagon_search(ctx, blocks, idx, mb_x, mb_y, dir, result);
  } else if (const PlainSearch search = plain_search(ctx.search_method)) {
    search(&ctx.estimator, x, y, result);
  }

  blocks[idx].vectors[dir][0] = static_cast<int16_t>(result[0] - x);
  blocks[idx].vectors[dir][1] = static_cast<int16_t>(result[1] - y);
}

}  // namespace frameinterp
