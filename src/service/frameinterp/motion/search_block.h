// Block-search dispatcher: estimates one block's vector with the context's
// search method.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// Estimates block (mb_x, mb_y) of `blocks` for direction `dir` (0 or 1) into
// blocks[mb_y * blocks_x + mb_x].vectors[dir], with the planes and stride the
// estimator holds. Blocks must come in raster order: methods 8 and 9 predict
// from the left, top and top-right (or top-left) neighbours already done.
// Method 8 also reads and fills mv_history. Other method codes store (0, 0).
// The context must be ready.
void search_block(std::shared_ptr<MIContext> mi_ctx, MIBlock* blocks, int32_t mb_x,
                  int32_t mb_y, int32_t dir);

}  // namespace frameinterp
