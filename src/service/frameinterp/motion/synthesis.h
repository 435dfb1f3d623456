// Motion-compensated synthesis of the frame at a position between frames[1]
// and frames[2] of the window: the pairs that the block vectors spread over
// the pixels, by estimation mode (see SynthesisPass for how they become the
// output samples).
#pragma once

#include <cstdint>

#include "motion/synthesis_pass.h"

namespace frameinterp {

// Positions are in 1/1024 of the interval: 0 is frames[1], 1024 frames[2].
inline constexpr int32_t ALPHA_SCALE = 1024;

// Bidirectional mode: the vectors of frames[2] (direction 0, into frames[1])
// and then those of frames[1] (direction 1, into frames[2]), each spread over
// an overlap window placed where its block is at alpha.
void collect_bidir_candidates(SynthesisPass& pass);

// Bilateral mode: the window pairs of one block of bilat_blocks at block
// (mb_x, mb_y); the window stays at the block. With COMP_MODE_ADAPTIVE the
// quarters of the window that lie over a neighbour are weakened when this
// block's vector fits that neighbour worse than the neighbour's own vector.
void collect_bilat_candidates(SynthesisPass& pass, const MIBlock& block, int32_t mb_x,
                              int32_t mb_y);

// Flat-weight pairs over the exact squares of a subdivided block's quarters
// (top-left pixel (x, y), edge 1 << n), recursing into subdivided quarters.
void collect_split_candidates(SynthesisPass& pass, const MIBlock& block, int32_t x, int32_t y,
                              int32_t n);

}  // namespace frameinterp
