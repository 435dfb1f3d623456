// Instruction-set tiers of the pixel kernels and the tier this processor runs.
#pragma once

namespace frameinterp {

// Each tier includes the ones below it.
enum class CpuTier : int { kC = 0, kSse2 = 1, kAvx2 = 2 };
inline constexpr int kCpuTierCount = 3;

// "c", "sse2", "avx2".
const char* cpu_tier_name(CpuTier tier);

// The highest tier that the processor and the operating system support: kC
// where the SIMD kernels are not built (processors other than x86-64).
CpuTier detected_cpu_tier();

}  // namespace frameinterp
