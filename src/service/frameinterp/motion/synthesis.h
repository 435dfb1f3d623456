// Motion-compensated synthesis of the frame at a position between frames[1]
// and frames[2] of the window. First every luma pixel collects a short list of
// weighted candidate pairs (one sample of each frame, displaced by a share of
// a block vector); then compose_frame writes every output sample as the
// rounded weighted mean of its candidates' samples.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// Positions are in 1/1024 of the interval: 0 is frames[1], 1024 frames[2].
inline constexpr int32_t ALPHA_SCALE = 1024;

// Bidirectional mode: clears every pixel's list, then spreads the vectors of
// frames[2] (direction 0, into frames[1]) and of frames[1] (direction 1, into
// frames[2]) over overlapping windows placed where each block is at alpha.
void collect_bidir_candidates(std::shared_ptr<MIContext> mi_ctx, int32_t alpha);

// Bilateral mode: adds the window pairs of one block of bilat_blocks at block
// (mb_x, mb_y). With COMP_MODE_ADAPTIVE the quarters of the window that lie
// over a neighbour are weakened when this block's vector fits that neighbour
// worse than the neighbour's own vector does.
void collect_bilat_candidates(std::shared_ptr<MIContext> mi_ctx, const MIBlock* block,
                              int32_t mb_x, int32_t mb_y, int32_t alpha);

// Adds flat-weight pairs over the exact squares of a subdivided block's
// quarters (top-left pixel (x, y), edge 1 << n), recursing into subdivided
// quarters.
void collect_split_candidates(std::shared_ptr<MIContext> mi_ctx, const MIBlock* block,
                              int32_t x, int32_t y, int32_t n, int32_t alpha);

// Writes every sample of `out` (the window frames' size and layout) from the
// candidate lists; a pixel without candidates gets the plain blend of the two
// frames, which is stored as its list.
void compose_frame(std::shared_ptr<MIContext> mi_ctx, int32_t alpha, MIFrame* out);

}  // namespace frameinterp
