// Grouping of the bilateral vector field into clusters of similar vectors,
// and refinement of the blocks on the borders between clusters.
#pragma once

#include <cstdint>
#include <memory>

#include "motion/mi_context.h"

namespace frameinterp {

// A block leaves its cluster when its vector differs from the cluster's mean
// by more than this many pixels in x or in y.
inline constexpr int32_t CLUSTER_SPREAD = 4;

// Expects every bilat_blocks record in cluster 0 and clusters[0] holding the
// sums of all vectors[0] with count = block_count, every other cluster clear.
// Splits the interior blocks that sit between a differing neighbour and a
// same-cluster neighbour on the opposite side. Returns 0, or the first
// non-zero split_block result.
int32_t cluster_and_refine(std::shared_ptr<MIContext> mi_ctx);

}  // namespace frameinterp
