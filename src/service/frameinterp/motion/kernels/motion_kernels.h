// The table of pixel kernels the motion pipeline calls, one entry per kernel,
// filled once from the processor's tier: the plain references first, then
// every entry that a higher tier has a twin for, tier by tier. Beside it each
// tier names the kernels it provides, which the kernel tests hold the table
// to: a twin that the table fails to install would leave the tier below's in
// its place, which gives the same results and would pass unnoticed.
#pragma once

#include <array>
#include <span>

#include "motion/kernels/block_sad.h"
#include "motion/kernels/cpu_tier.h"
#include "motion/kernels/pair_gather.h"
#include "motion/kernels/plane_sad.h"
#include "motion/kernels/row_stream.h"
#include "motion/kernels/weighted_sums.h"

namespace frameinterp {

inline constexpr int32_t kBlockSadSizes = 6;  // edges 1, 2, 4, 8, 16, 32

struct MotionKernels {
  BlockSadFn block_sad[kBlockSadSizes];  // [log2 of the edge]
  PlaneSadFn plane_sad;
  AccumulatePairsFn accumulate_pairs;
  ResolveRowFn resolve_row;
  GatherPairsFn gather_pairs;
  StreamRowsFn stream_rows;
};

// The table filled for `tier` (any tier, whatever this processor supports).
MotionKernels kernels_for_tier(CpuTier tier);

// Any kernel's address, to compare entries of every type.
using AnyKernel = void (*)();

// The table's entries by member name ("block_sad[3]", "plane_sad", ...), in
// member order, with the kernels they hold.
struct KernelEntry {
  const char* entry;
  AnyKernel kernel;
};
inline constexpr int32_t kKernelEntries = kBlockSadSizes + 5;
std::array<KernelEntry, kKernelEntries> kernel_entries(const MotionKernels& k);

// A kernel that a tier provides: the entry it fills and the function by name
// ("sad_8x8_avx2").
struct ProvidedKernel {
  const char* entry;
  const char* function;
  AnyKernel kernel;
};

// The C tier provides every entry; each tier above, the twins that replace
// the tier below's (none where the SIMD twins are not built). The table of a
// tier holds, in each entry, the newest kernel provided for it up to that
// tier.
std::span<const ProvidedKernel> tier_kernels(CpuTier tier);

// The table in use: the detected tier's, unless a test or benchmark chose
// another.
const MotionKernels& motion_kernels();
CpuTier motion_kernel_tier();

// For tests and benchmarks (the host never calls it): from now on the table
// holds `tier`'s kernels. False, changing nothing, when this processor cannot
// run that tier.
bool use_motion_kernel_tier(CpuTier tier);

}  // namespace frameinterp
