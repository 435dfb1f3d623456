#include "motion/mi_context.h"

#include <limits>

#include "host/core.h"
#include "motion/me_costs.h"
#include "motion/pipeline_log.h"

namespace frameinterp {
namespace {

// Block edges that the compensation has overlap windows for.
constexpr int32_t kMinBlockSize = 2;
constexpr int32_t kMaxBlockSize = 16;

// log2 of a size >= 1 rounded up to a power of two (16 -> 4, 12 -> 4,
// 9 -> 4, 8 -> 3).
int32_t ceil_log2(int32_t size) {
  int32_t log2 = 0;
  while ((int32_t{1} << log2) < size) {
    ++log2;
  }
  return log2;
}

bool holds_buffers(const MIContext& ctx) {
  if (ctx.px_totals || ctx.px_sums || ctx.chroma_sums || ctx.px_pairs || ctx.row_scratch ||
      ctx.bilat_blocks || ctx.window_ratios) {
    return true;
  }
  for (const MIFrameSlot& slot : ctx.frames) {
    if (slot.blocks) {
      return true;
    }
  }
  for (const MVHistoryEntry* table : ctx.mv_history) {
    if (table) {
      return true;
    }
  }
  return false;
}

// The running sums of the bidirectional synthesis for width x height
// pixels (the bilateral one gathers without them). Packed pixels compose four
// bytes per pixel, the other formats one luma byte and, on the pixels that
// decide them, the chroma samples.
bool allocate_sums(MIContext& ctx, int32_t width, int32_t height) {
  if (ctx.me_mode != ME_MODE_BIDIR) return true;
  MotionBuffers& b = ctx.buffers;
  const bool packed = ctx.format != kFormatPlanar && ctx.format != kFormatInterleaved;
  const size_t row = static_cast<size_t>(width);
  const size_t rows = static_cast<size_t>(height);
  const size_t bytes_per_pixel = packed ? 4 : 1;
  const size_t chroma_row = packed ? 0 : 2 * static_cast<size_t>(width >> ctx.chroma_shift_w);
  // Sums are zero between syntheses: kept memory needs no clearing.
  if (!b.px_totals.keep(rows * row) || !b.px_sums.keep(rows * row * bytes_per_pixel) ||
      !b.row_scratch.keep(row * 4) || !b.px_pairs.keep(rows * row)) {
    return false;
  }
  ctx.px_totals = b.px_totals.get();
  ctx.px_sums = b.px_sums.get();
  ctx.row_scratch = b.row_scratch.get();
  ctx.px_pairs = b.px_pairs.get();
  if (chroma_row > 0) {
    if (!b.chroma_sums.keep(rows * chroma_row)) return false;
    ctx.chroma_sums = b.chroma_sums.get();
  }
  return true;
}

void install_cost_function(MIContext& ctx) {
  if (ctx.me_mode == ME_MODE_BIDIR) {
    ctx.estimator.cost_fn = overlapped_sad;
  } else if (ctx.me_mode == ME_MODE_BILAT) {
    ctx.estimator.cost_fn = bilateral_overlapped_sad;
  }
}

}  // namespace

void configure(MIContext& ctx, const MotionSettings& settings) {
  ctx.comp_mode = settings.comp_mode;
  ctx.me_mode = settings.me_mode;
  ctx.search_method = settings.search_method;
  ctx.block_size = settings.block_size;
  ctx.search_range = settings.search_range;
  ctx.split_refinement = settings.split_refinement;
  ctx.scene_detect = settings.scene_detect;
  ctx.scene_threshold = settings.scene_threshold;
}

int32_t reset_input(std::shared_ptr<MIContext> mi_ctx, int32_t plane_count, int32_t width,
                    int32_t height, int32_t chroma_shift_w, int32_t chroma_shift_h,
                    int32_t bit_depth) {
  MIContext& ctx = *mi_ctx;
  destroy(mi_ctx);  // not ready from here on; an earlier configuration must not leak

  const int64_t t0 = steady_ns();
  ctx.chroma_shift_h = chroma_shift_h;
  ctx.chroma_shift_w = chroma_shift_w;
  ctx.bit_depth = bit_depth;
  ctx.plane_count = plane_count;

  // Sizes the buffers cannot be addressed with are refused before anything
  // is allocated; the per-pixel buffers are indexed by a 32-bit pixel count.
  if (ctx.block_size < kMinBlockSize || ctx.block_size > kMaxBlockSize || width < 0 ||
      height < 0 || int64_t{width} * height > std::numeric_limits<int32_t>::max()) {
    return kInvalidSize;
  }
  const int32_t log2_block_size = ceil_log2(ctx.block_size);
  ctx.log2_block_size = log2_block_size;
  ctx.block_size = 1 << log2_block_size;

  // Partial blocks at the right and bottom edges are not counted.
  ctx.blocks_x = width >> log2_block_size;
  ctx.blocks_y = height >> log2_block_size;
  ctx.block_count = ctx.blocks_x * ctx.blocks_y;
  const size_t blocks = static_cast<size_t>(ctx.block_count);

  MotionBuffers& buffers = ctx.buffers;
  // Only the bidirectional mode reads the vectors that stay with the window
  // positions, some before any search wrote them; the bilateral mode keeps
  // its own in bilat_blocks, so there kept memory is not cleared again.
  const bool read_before_written = ctx.me_mode == ME_MODE_BIDIR;
  for (int32_t i = 0; i < WINDOW_FRAMES; ++i) {
    ZeroedArray<MIBlock>& slot = buffers.slot_blocks[i];
    if (!(read_before_written ? slot.reset(blocks) : slot.keep(blocks))) {
      return kOutOfMemory;
    }
    ctx.frames[i].blocks = buffers.slot_blocks[i].get();
  }
  if (ctx.blocks_x < 2 || ctx.blocks_y < 2) {
    return kInvalidSize;
  }

  init_estimator(&ctx.estimator, ctx.block_size, ctx.search_range, width, height, 0,
                 (ctx.blocks_x - 1) << log2_block_size, 0, (ctx.blocks_y - 1) << log2_block_size);
  install_cost_function(ctx);

  if (!allocate_sums(ctx, width, height)) {
    return kOutOfMemory;
  }

  if (ctx.me_mode == ME_MODE_BILAT) {
    if (!buffers.bilat_blocks.reset(blocks)) {
      return kOutOfMemory;
    }
    ctx.bilat_blocks = buffers.bilat_blocks.get();
    if (ctx.comp_mode == COMP_MODE_ADAPTIVE) {
      // Filled by every synthesis before it is read.
      if (!buffers.window_ratios.keep(blocks)) {
        return kOutOfMemory;
      }
      ctx.window_ratios = buffers.window_ratios.get();
    }
  }

  if (ctx.search_method == kSearchPredictive) {
    for (int32_t i = 0; i < 3; ++i) {
      if (!buffers.mv_history[i].reset(blocks)) {
        return kOutOfMemory;
      }
      ctx.mv_history[i] = buffers.mv_history[i].get();
    }
  }

  if (ctx.scene_detect == 1) {
    // The mean difference is scaled by 1 << bit_depth, and the SAD reads
    // samples of at most 16 bits.
    ctx.frame_sad = bit_depth >= 1 && bit_depth <= 16
                        ? select_frame_sad(bit_depth == 8 ? 8 : 16)
                        : nullptr;
    if (!ctx.frame_sad) {
      return kInvalidSize;
    }
  }

  CoreLogPrint(kMotionLogTag, kMotionLogTiming, "reset_input %lld", elapsed_ms(t0));
  ctx.ready = 1;
  return 0;
}

void destroy(std::shared_ptr<MIContext> mi_ctx) {
  MIContext& ctx = *mi_ctx;
  const int64_t t0 = steady_ns();
  ctx.ready = 0;
  if (!holds_buffers(ctx)) {
    return;
  }

  // The buffers go back to their owner for the next configuration; the
  // sub-block trees go with bilat_blocks.
  ctx.px_totals = ctx.px_sums = ctx.chroma_sums = ctx.row_scratch = nullptr;
  ctx.px_pairs = nullptr;
  ctx.bilat_blocks = nullptr;
  ctx.window_ratios = nullptr;
  ctx.buffers.quarters.take_back_all();
  for (MIFrameSlot& slot : ctx.frames) {
    slot = {};
  }
  for (MVHistoryEntry*& table : ctx.mv_history) {
    table = nullptr;
  }

  CoreLogPrint(kMotionLogTag, kMotionLogTiming, "void destroy(std::shared_ptr<MIContext> mi_ctx) %lld",
               elapsed_ms(t0));
}

}  // namespace frameinterp
