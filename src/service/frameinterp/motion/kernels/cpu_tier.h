// Instruction-set tiers of the pixel kernels and the tier this processor runs.
#pragma once

#include <cstdint>

namespace frameinterp {

// Each tier includes the ones below it.
enum class CpuTier : int { kC = 0, kSse2 = 1, kAvx2 = 2 };
inline constexpr int kCpuTierCount = 3;

// "c", "sse2", "avx2".
const char* cpu_tier_name(CpuTier tier);

// The highest tier that the processor and the operating system support: kC
// where the SIMD kernels are not built (processors other than x86-64).
CpuTier detected_cpu_tier();

#if defined(FRAMEINTERP_X86_KERNELS)
// What the processor reports that decides its tier: the highest standard
// CPUID leaf, leaf 1's ECX, leaf 7's EBX and the operating system's XCR0
// (0 when leaf 1 reports no OSXSAVE: XGETBV would then fault).
struct CpuidReport {
  uint32_t max_leaf, leaf1_ecx, leaf7_ebx, xcr0;
};
// kAvx2 when the processor has AVX2 and the operating system saves the YMM
// state (OSXSAVE and AVX in leaf 1, XCR0 bits 1 and 2); else kSse2, which
// every x86-64 processor has. The detection of compilers without
// __builtin_cpu_supports.
CpuTier tier_from_cpuid(const CpuidReport& report);
#endif

}  // namespace frameinterp
