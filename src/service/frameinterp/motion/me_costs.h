// Candidate costs of the block searches. Each reads the planes, stride and
// geometry of the context, scores block position (x, y) against candidate
// position (cand_x, cand_y) and returns the cost; none writes anything.
//
// The penalised costs add VECTOR_PENALTY per pixel of L1 distance between the
// candidate's vector (cand - block, as passed, before any clamping) and the
// context's predicted vector.
//
// The window of a block is 2 x block_size square, starting block_size / 2
// pixels above and left of the block.
#pragma once

#include <cstdint>

#include "motion/bilateral_cost.h"
#include "motion/me_context.h"

namespace frameinterp {

// Plain sum of absolute differences over one block: ref at the candidate
// against cur at the block. No clamping (callers keep candidates inside the
// search rectangle) and no penalty.
uint64_t block_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x, int32_t cand_y);

// Sum over the block's window, with block and candidate positions each
// clamped so that the window stays inside the rectangle, plus the penalty.
uint64_t overlapped_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                        int32_t cand_y);

// Bilateral sum over one block: cur at position + v against ref at
// position - v, the vector shortened symmetrically so that both ends stay in
// the rectangle, plus the penalty.
uint64_t bilateral_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                       int32_t cand_y);

// As bilateral_sad over the block's window, with the rectangle shrunk by
// block_size / 2 on every side.
uint64_t bilateral_overlapped_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                                  int32_t cand_y);

// The overlapped costs' window: offsets [window_first, window_end) from the
// block position on both axes.
int32_t window_first(const MEContext* me);
int32_t window_end(const MEContext* me);

// bilateral_overlapped_sad of block (x, y), set up once for all its candidates.
BilateralCost bilateral_overlapped_cost(const MEContext* me, int32_t x, int32_t y);

}  // namespace frameinterp
