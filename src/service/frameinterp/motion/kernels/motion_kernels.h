// The table of pixel kernels the motion pipeline calls, one entry per kernel,
// filled once from the processor's tier: the plain references first, then
// every entry that a higher tier has a twin for, tier by tier.
#pragma once

#include "motion/kernels/block_sad.h"
#include "motion/kernels/cpu_tier.h"
#include "motion/kernels/pair_gather.h"
#include "motion/kernels/plane_sad.h"
#include "motion/kernels/weighted_sums.h"

namespace frameinterp {

inline constexpr int32_t kBlockSadSizes = 6;  // edges 1, 2, 4, 8, 16, 32

struct MotionKernels {
  BlockSadFn block_sad[kBlockSadSizes];  // [log2 of the edge]
  PlaneSadFn plane_sad;
  AccumulatePairsFn accumulate_pairs;
  ResolveRowFn resolve_row;
  GatherPairsFn gather_pairs;
};

// The table filled for `tier` (any tier, whatever this processor supports).
MotionKernels kernels_for_tier(CpuTier tier);

// The table in use: the detected tier's, unless a test or benchmark chose
// another.
const MotionKernels& motion_kernels();
CpuTier motion_kernel_tier();

// For tests and benchmarks (the host never calls it): from now on the table
// holds `tier`'s kernels. False, changing nothing, when this processor cannot
// run that tier.
bool use_motion_kernel_tier(CpuTier tier);

}  // namespace frameinterp
