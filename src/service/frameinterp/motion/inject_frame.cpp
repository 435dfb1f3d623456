#include "motion/inject_frame.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/core.h"
#include "motion/me_costs.h"
#include "motion/pipeline_log.h"
#include "motion/prefetch.h"
#include "motion/search_block.h"
#include "motion/vector_clusters.h"

namespace frameinterp {
namespace {

void shift_window(MIContext& ctx, MIFrame* frame) {
  MIBlock* reused = ctx.frames[0].blocks;
  ctx.frames[0] = ctx.frames[1];
  ctx.frames[1] = ctx.frames[2];
  ctx.frames[2] = ctx.frames[3];
  ctx.frames[3] = {frame, reused};  // the dropped frame's vectors are overwritten later
}

// Table 2 receives table 1, then table 1 table 0; table 0 keeps its vectors
// until the searches overwrite them.
void shift_history(MIContext& ctx) {
  const size_t bytes = static_cast<size_t>(ctx.block_count) * sizeof(MVHistoryEntry);
  std::memcpy(ctx.mv_history[2], ctx.mv_history[1], bytes);
  std::memcpy(ctx.mv_history[1], ctx.mv_history[0], bytes);
}

// The bilateral predictive search of block (mb_x, mb_y) reads a window of
// 2 B x 2 B pixels in both frames. Blocks go left to right, a row of blocks
// at a time, so each row of blocks reads B rows that the row above did not:
// at 3840 pixels a row those lie in as many pages, more streams than the
// hardware prefetchers follow, and the frames no longer fit the last-level
// cache. This asks, for the block kAhead on, for the column of those B rows
// where its window ends, in both frames at the vector found for the block
// above it, whenever that column begins a cache line: a row of blocks ahead,
// so the lines wait in the second-level cache. Only a hint: the searches and
// their results are the same. (Asking for the window's own rows instead, a
// few blocks ahead, gained less.)
void prefetch_bilateral_window(const MIContext& ctx, int32_t mb_x, int32_t mb_y) {
  constexpr int32_t kAhead = 4;
  const MEContext& me = ctx.estimator;
  if (mb_x + kAhead >= ctx.blocks_x) return;
  int32_t vx = 0, vy = 0;
  if (mb_y > 0) {
    const MVHistoryEntry& above = ctx.mv_history[0][(mb_y - 1) * ctx.blocks_x + mb_x + kAhead];
    vx = above[0][0];
    vy = above[0][1];
  }
  const int32_t side = window_end(&me) - window_first(&me);
  const int32_t last = ((mb_x + kAhead) << ctx.log2_block_size) + window_end(&me) - 1;
  const int32_t top = (mb_y << ctx.log2_block_size) + window_first(&me);
  const auto starts_line = [&](int32_t x) { return x >> 6 != (x - ctx.block_size) >> 6; };
  const int32_t cur_x = std::clamp(last + vx, 0, me.width - 1), ref_x = std::clamp(last - vx, 0, me.width - 1);
  const bool cur = starts_line(cur_x), ref = starts_line(ref_x);
  if (!cur && !ref) return;
  for (int32_t r = side; r < side + ctx.block_size; ++r) {
    const ptrdiff_t cur_row = std::clamp(top + vy + r, 0, me.height - 1);
    const ptrdiff_t ref_row = std::clamp(top - vy + r, 0, me.height - 1);
    if (cur) FRAMEINTERP_PREFETCH(me.cur_plane + cur_row * me.linesize + cur_x);
    if (ref) FRAMEINTERP_PREFETCH(me.ref_plane + ref_row * me.linesize + ref_x);
  }
}

void search_all_blocks(const std::shared_ptr<MIContext>& mi_ctx, MIBlock* blocks, int32_t dir) {
  const MIContext& ctx = *mi_ctx;
  const bool prefetch = ctx.me_mode == ME_MODE_BILAT && ctx.search_method == kSearchPredictive;
  for (int32_t mb_y = 0; mb_y < ctx.blocks_y; ++mb_y) {
    for (int32_t mb_x = 0; mb_x < ctx.blocks_x; ++mb_x) {
      if (prefetch) prefetch_bilateral_window(ctx, mb_x, mb_y);
      search_block(mi_ctx, blocks, mb_x, mb_y, dir);
    }
  }
}

void aim_estimator(MEContext& me, const MIFrame* stride_of, const MIFrame* cur,
                   const MIFrame* ref) {
  me.linesize = stride_of->linesize[0];
  me.cur_plane = cur->data[0];
  me.ref_plane = ref->data[0];
}

// Vectors of frames[2]: direction 0 into frames[1], direction 1 into frames[3].
void estimate_bidirectional(const std::shared_ptr<MIContext>& mi_ctx) {
  MIContext& ctx = *mi_ctx;
  if (!ctx.frames[1].frame) {
    return;
  }
  for (int32_t dir = 0; dir < 2; ++dir) {
    const MIFrame* ref = dir == 0 ? ctx.frames[1].frame : ctx.frames[3].frame;
    aim_estimator(ctx.estimator, ctx.frames[2].frame, ctx.frames[2].frame, ref);
    search_all_blocks(mi_ctx, ctx.frames[2].blocks, dir);
  }
}

// Every block's bilateral vector at its own position, for adaptive weights.
void store_bilateral_costs(MIContext& ctx) {
  const int32_t log2_size = ctx.log2_block_size;
  for (int32_t mb_y = 0; mb_y < ctx.blocks_y; ++mb_y) {
    for (int32_t mb_x = 0; mb_x < ctx.blocks_x; ++mb_x) {
      MIBlock& block = ctx.bilat_blocks[mb_y * ctx.blocks_x + mb_x];
      const int32_t x = mb_x << log2_size, y = mb_y << log2_size;
      block.bilat_cost = bilateral_sad(&ctx.estimator, x, y, x + block.vectors[0][0],
                                       y + block.vectors[0][1]);
    }
  }
}

// All blocks in cluster 0, which holds the sums of all their vectors.
void gather_into_first_cluster(MIContext& ctx) {
  for (MVCluster& cluster : ctx.clusters) {
    cluster = {};
  }
  for (int32_t i = 0; i < ctx.block_count; ++i) {
    ctx.clusters[0].sum_x += ctx.bilat_blocks[i].vectors[0][0];
    ctx.clusters[0].sum_y += ctx.bilat_blocks[i].vectors[0][1];
  }
  ctx.clusters[0].count = ctx.block_count;
}

}  // namespace

int32_t inject_frame(std::shared_ptr<MIContext> mi_ctx, MIFrame* frame) {
  MIContext& ctx = *mi_ctx;
  if (!ctx.ready) {
    return 0;
  }
  const int64_t t0 = steady_ns();
  shift_window(ctx, frame);
  if (ctx.search_method == kSearchPredictive) {
    shift_history(ctx);
  }

  if (ctx.me_mode == ME_MODE_BIDIR) {
    estimate_bidirectional(mi_ctx);
    CoreLogPrint(kMotionLogTag, kMotionLogTiming,
                 "------------------inject_frame me_mode == ME_MODE_BIDIR  %lld", elapsed_ms(t0));
    return 0;
  }
  if (ctx.me_mode != ME_MODE_BILAT || !ctx.frames[0].frame) {
    return 0;
  }

  // The frame between frames[1] and frames[2]: a block at p matches
  // frames[1] at p + v and frames[2] at p - v.
  aim_estimator(ctx.estimator, ctx.frames[0].frame, ctx.frames[1].frame, ctx.frames[2].frame);
  for (int32_t i = 0; i < ctx.block_count; ++i) {
    MIBlock& block = ctx.bilat_blocks[i];
    block.cluster = 0;
    block.subdivided = 0;
    block.vectors[0][0] = block.vectors[0][1] = 0;
  }
  search_all_blocks(mi_ctx, ctx.bilat_blocks, 0);
  if (ctx.comp_mode == COMP_MODE_ADAPTIVE) {
    store_bilateral_costs(ctx);
  }
  if (ctx.split_refinement != 0) {
    gather_into_first_cluster(ctx);
    const int32_t r = cluster_and_refine(mi_ctx);
    if (r != 0) {
      return r;
    }
  }
  CoreLogPrint(kMotionLogTag, kMotionLogTiming,
               "------------------inject_frame me_mode == ME_MODE_BILAT  %lld", elapsed_ms(t0));
  return 0;
}

}  // namespace frameinterp
