#include "motion/mi_context.h"

#include <chrono>
#include <limits>

#include "host/core.h"
#include "motion/block_split.h"
#include "motion/me_costs.h"
#include "motion/zeroed_alloc.h"

namespace frameinterp {
namespace {

constexpr const char* kLogTag = "FrameSourceMotionImpl";
constexpr int32_t kLogTiming = 1;

// Block edges that the compensation has overlap windows for.
constexpr int32_t kMinBlockSize = 2;
constexpr int32_t kMaxBlockSize = 16;

int64_t steady_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

long long elapsed_ms(int64_t since_ns) {
  return static_cast<long long>((steady_ns() - since_ns) / 1000000);
}

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
  if (ctx.px_vectors || ctx.px_weights || ctx.px_refs || ctx.bilat_blocks) {
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

void install_cost_function(MIContext& ctx) {
  if (ctx.me_mode == ME_MODE_BIDIR) {
    ctx.estimator.cost_fn = overlapped_sad;
  } else if (ctx.me_mode == ME_MODE_BILAT) {
    ctx.estimator.cost_fn = bilateral_overlapped_sad;
  }
}

}  // namespace

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
    return -22;
  }
  const int32_t log2_block_size = ceil_log2(ctx.block_size);
  ctx.log2_block_size = log2_block_size;
  ctx.block_size = 1 << log2_block_size;

  // Partial blocks at the right and bottom edges are not counted.
  ctx.blocks_x = width >> log2_block_size;
  ctx.blocks_y = height >> log2_block_size;
  ctx.block_count = ctx.blocks_x * ctx.blocks_y;
  const size_t blocks = static_cast<size_t>(ctx.block_count);

  for (MIFrameSlot& slot : ctx.frames) {
    slot.blocks = alloc_zeroed<MIBlock>(blocks);
    if (!slot.blocks) {
      return -12;
    }
  }
  if (ctx.blocks_x < 2 || ctx.blocks_y < 2) {
    return -22;
  }

  init_estimator(&ctx.estimator, ctx.block_size, ctx.search_range, width, height, 0,
                 (ctx.blocks_x - 1) << log2_block_size, 0, (ctx.blocks_y - 1) << log2_block_size);
  install_cost_function(ctx);

  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  ctx.px_vectors = alloc_zeroed<CandidateVectors>(pixels);
  ctx.px_weights = alloc_zeroed<CandidateWeights>(pixels);
  ctx.px_refs = alloc_zeroed<CandidateRefs>(pixels);
  if (!ctx.px_vectors || !ctx.px_weights || !ctx.px_refs) {
    return -12;
  }

  if (ctx.me_mode == ME_MODE_BILAT) {
    ctx.bilat_blocks = alloc_zeroed<MIBlock>(blocks);
    if (!ctx.bilat_blocks) {
      return -12;
    }
  }

  if (ctx.search_method == 8) {
    for (MVHistoryEntry*& table : ctx.mv_history) {
      table = alloc_zeroed<MVHistoryEntry>(blocks);
      if (!table) {
        return -12;
      }
    }
  }

  if (ctx.scene_detect == 1) {
    // The mean difference is scaled by 1 << bit_depth, and the SAD reads
    // samples of at most 16 bits.
    ctx.frame_sad = bit_depth >= 1 && bit_depth <= 16
                        ? select_frame_sad(bit_depth == 8 ? 8 : 16)
                        : nullptr;
    if (!ctx.frame_sad) {
      return -22;
    }
  }

  CoreLogPrint(kLogTag, kLogTiming, "reset_input %lld", elapsed_ms(t0));
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

  free_and_clear(ctx.px_vectors);
  free_and_clear(ctx.px_weights);
  free_and_clear(ctx.px_refs);

  if (ctx.bilat_blocks) {
    for (int32_t i = 0; i < ctx.block_count; ++i) {
      release_quarters(&ctx.bilat_blocks[i]);
    }
    free_and_clear(ctx.bilat_blocks);
  }

  for (MIFrameSlot& slot : ctx.frames) {
    free_and_clear(slot.blocks);
    slot.frame = nullptr;
  }

  for (MVHistoryEntry*& table : ctx.mv_history) {
    free_and_clear(table);
  }

  CoreLogPrint(kLogTag, kLogTiming, "void destroy(std::shared_ptr<MIContext> mi_ctx) %lld",
               elapsed_ms(t0));
}

}  // namespace frameinterp
