// The kernel tiers this processor runs, lowest first, for the benchmarks that
// measure each against the plain reference in the same run.
#pragma once

#include <vector>

#include "motion/kernels/cpu_tier.h"

namespace frameinterp::bench {

inline std::vector<CpuTier> RunnableTiers() {
  std::vector<CpuTier> tiers;
  for (int t = 0; t <= static_cast<int>(detected_cpu_tier()); ++t) tiers.push_back(static_cast<CpuTier>(t));
  return tiers;
}

}  // namespace frameinterp::bench
