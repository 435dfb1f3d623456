// The nine block-matching searches. Each scores candidates with me->cost_fn
// for the block at (x, y) and returns the least cost found; `result` (x, y)
// comes in as the block position and goes out as the best candidate position.
//
// Every candidate lies in the search window: within search_range of the block
// per axis and inside the context's [x_min, x_max] x [y_min, y_max]. Ties keep
// the earlier candidate.
#pragma once

#include <cstdint>

#include "motion/me_context.h"

namespace frameinterp {

// Methods 1 to 7 start from the zero vector's cost and stop at once when it is 0.
uint64_t search_exhaustive(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);
uint64_t search_three_step(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);
uint64_t search_log2d(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);
uint64_t search_new_three_step(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);
uint64_t search_four_step(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);
uint64_t search_diamond(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);
uint64_t search_hexagon(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);

// Methods 8 and 9 start from no candidate (cost UINT64_MAX) and test the
// context's predicted vector and predictors first; they return UINT64_MAX
// when no candidate lay inside the window.
uint64_t search_predictive(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);
uint64_t search_multi_hexagon(const MEContext* me, int32_t x, int32_t y, int32_t result[2]);

}  // namespace frameinterp
