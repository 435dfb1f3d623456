// Variable-size refinement of bilateral vectors: a block whose quarters match
// markedly better than the whole block is divided, recursively, into quarters
// with vectors of their own.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// Refines `block`, top-left pixel (x, y), edge 1 << n, starting from its
// vectors[0]. Quarters arrays come from the context's pool and stay with
// their block until the next configuration. Returns 0, or kSplitOutOfMemory
// when a quarters array cannot be allocated (the tree stays consistent: a
// block is only marked subdivided once it has its quarters).
int32_t split_block(std::shared_ptr<MIContext> mi_ctx, MIBlock* block, int32_t x, int32_t y,
                    int32_t n);

}  // namespace frameinterp
