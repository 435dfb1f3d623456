// Motion-interpolation context: the state of the motion pipeline for one
// stream (configuration, window of four working frames, block and per-pixel
// work buffers, estimator, scene-change detector) and its lifecycle.
#pragma once

#include <cstdint>
#include <memory>

#include "format_codes.h"
#include "motion/frame_sad.h"
#include "motion/me_context.h"
#include "motion/motion_buffers.h"

namespace frameinterp {

// Positions between frames[1] and frames[2] are in 1/1024 of the interval: 0
// is frames[1], 1024 frames[2].
inline constexpr int32_t ALPHA_SCALE = 1024;

inline constexpr int32_t COMP_MODE_OBMC = 0;
inline constexpr int32_t COMP_MODE_ADAPTIVE = 1;

inline constexpr int32_t ME_MODE_BIDIR = 0;
inline constexpr int32_t ME_MODE_BILAT = 1;

// Failures the context's operations report. reset_input's are negative; the
// split refinement's is positive, and its callers only test for non-zero.
inline constexpr int32_t kOutOfMemory = -12;      // reset_input: a buffer cannot be allocated
inline constexpr int32_t kInvalidSize = -22;      // reset_input: an unusable size or bit depth
inline constexpr int32_t kSplitOutOfMemory = 12;  // split_block: no quarters array

// The block-matching searches by their code in search_method; any other code
// searches nothing and every vector is (0, 0).
enum SearchMethod : int32_t {
  kSearchExhaustive = 1,
  kSearchThreeStep = 2,
  kSearchLog2d = 3,
  kSearchNewThreeStep = 4,
  kSearchFourStep = 5,
  kSearchDiamond = 6,
  kSearchHexagon = 7,
  kSearchPredictive = 8,    // with temporal predictors from mv_history
  kSearchMultiHexagon = 9,  // with spatial predictors
};

// Twice the pairs a pixel takes at most; the bidirectional synthesis drops
// the ones after them.
inline constexpr int32_t MAX_CANDIDATES = 32;
inline constexpr int32_t CLUSTER_LIMIT = 128;
inline constexpr int32_t WINDOW_FRAMES = 4;
inline constexpr int32_t MAX_PLANES = 8;

// Working frame. Its owner (the motion frame source) holds the planes, laid
// out by the format code (format_codes.h); the context only points at it.
struct MIFrame {
  int64_t pts;       // 100-ns ticks; -36000000000 when empty
  int64_t duration;  // 100-ns ticks; -36000000000 when empty
  int32_t format;
  int32_t width;
  int32_t height;
  uint8_t* data[MAX_PLANES];     // null past the last plane
  int32_t linesize[MAX_PLANES];  // bytes; 0 past the last plane
};

// One window position; `blocks` (block_count records, owned by the context)
// stays with the position as the window rotates, carrying its frame's vectors.
struct MIFrameSlot {
  MIFrame* frame;
  MIBlock* blocks;
};

// Running sums of the bilateral vectors of one cluster's blocks.
struct MVCluster {
  int64_t sum_x;
  int64_t sum_y;
  int32_t count;
};

struct MIContext {
  MEContext estimator;
  int32_t comp_mode = 0;
  int32_t me_mode = 0;
  int32_t search_method = 0;  // a SearchMethod; others: no search
  int32_t block_size = 0;     // a power of two after reset_input
  int32_t search_range = 0;
  int32_t split_refinement = 0;
  MIFrameSlot frames[WINDOW_FRAMES] = {};  // [0] oldest .. [3] most recent
  MVCluster clusters[CLUSTER_LIMIT] = {};
  MIBlock* bilat_blocks = nullptr;  // bilateral mode only
  MVHistoryEntry* mv_history[3] = {};  // [0] most recent; kSearchPredictive only
  int32_t blocks_x = 0;
  int32_t blocks_y = 0;
  int32_t block_count = 0;
  int32_t log2_block_size = 0;
  int32_t bit_depth = 0;
  int32_t scene_detect = 0;  // 1: frame-difference detection
  int32_t scene_cut = 0;     // 1: the last check found a cut between frames[1] and frames[2]
  FrameSadFn frame_sad = nullptr;
  double prev_frame_diff = 0.0;
  double scene_threshold = 0.0;
  int32_t chroma_shift_w = 0;
  int32_t chroma_shift_h = 0;
  int32_t plane_count = 0;
  // Format code of the window frames (set before reset_input): which samples
  // hang off each luma pixel in the synthesis.
  int32_t format = kFormatPlanar;
  // Running sums of the bidirectional synthesis, one row of width pixels
  // per picture row. Every row is zero between syntheses.
  uint32_t* px_totals = nullptr;     // total weight of each pixel's pairs
  uint32_t* px_sums = nullptr;       // per pixel, the weighted sum of each byte composed from it
  uint32_t* chroma_sums = nullptr;   // per row, the U then the V sums (or the (U, V) pairs)
  uint8_t* px_pairs = nullptr;       // pairs taken per pixel (at most 16)
  uint32_t* row_scratch = nullptr;   // one row of totals, spread to each composed byte
  // Bilateral mode with COMP_MODE_ADAPTIVE: per block, how much each part of
  // its window over a neighbour is weakened in the synthesis.
  WindowRatios* window_ratios = nullptr;
  // 1 only after a reset_input that succeeded; cleared by every reset_input
  // on entry and by destroy. Estimation and synthesis must refuse a context
  // that is not ready.
  int32_t ready = 0;
  // The memory behind the pointers above; kept across destroy and reused.
  MotionBuffers buffers;
};

// The configuration of a context. The motion source always uses these
// defaults; tests and benchmarks take others to reach every mode.
struct MotionSettings {
  int32_t comp_mode = COMP_MODE_OBMC;
  int32_t me_mode = ME_MODE_BILAT;
  int32_t search_method = kSearchPredictive;
  int32_t block_size = 16;
  int32_t search_range = 32;
  int32_t split_refinement = 0;
  int32_t scene_detect = 1;
  double scene_threshold = 10.0;
};

// Gives a new context its configuration.
void configure(MIContext& ctx, const MotionSettings& settings);

// Configures the context for a stream of width x height luma pixels and
// allocates its buffers. Releases the buffers of an earlier configuration
// first. The configured block_size (2..16) is rounded up to a power of two.
// Returns 0, kOutOfMemory when a buffer cannot be allocated, kInvalidSize
// for an unusable size (negative, fewer than two blocks across or down, a
// pixel count beyond int32, a block size outside 2..16) or, with scene
// detection, a bit depth outside 1..16.
int32_t reset_input(std::shared_ptr<MIContext> mi_ctx, int32_t plane_count, int32_t width,
                    int32_t height, int32_t chroma_shift_w, int32_t chroma_shift_h,
                    int32_t bit_depth);

// Releases every buffer reset_input and the split refinement allocated and
// empties the window; does nothing (and logs nothing) when none is held.
void destroy(std::shared_ptr<MIContext> mi_ctx);

}  // namespace frameinterp
