// Instruction-set tiers of the pixel kernels and the tier this processor runs.
#pragma once

#include <cstdint>

namespace frameinterp {

// Each tier includes the ones below it.
// kAvx512 is AVX-512 with the byte permutes (VBMI) and the byte dot products
// (VNNI), as Ice Lake and Zen 4 have them, not every processor with AVX-512F.
enum class CpuTier : int { kC = 0, kSse2 = 1, kAvx2 = 2, kAvx512 = 3 };
inline constexpr int kCpuTierCount = 4;

// "c", "sse2", "avx2", "avx512".
const char* cpu_tier_name(CpuTier tier);

// The highest tier that the processor and the operating system support: kC
// where the SIMD kernels are not built (processors other than x86-64).
CpuTier detected_cpu_tier();

#if defined(FRAMEINTERP_X86_KERNELS)
// What the processor reports that decides its tier: the highest standard
// CPUID leaf, leaf 1's ECX, leaf 7's EBX, the operating system's XCR0 (0
// when leaf 1 reports no OSXSAVE: XGETBV would then fault) and leaf 7's ECX.
struct CpuidReport {
  uint32_t max_leaf, leaf1_ecx, leaf7_ebx, xcr0, leaf7_ecx;
};
// kAvx2 when the processor has AVX2 and the operating system saves the YMM
// state (OSXSAVE and AVX in leaf 1, XCR0 bits 1 and 2); kAvx512 when it also
// has AVX-512 F, BW and VL (leaf 7 EBX bits 16, 30, 31), VBMI and VNNI (ECX
// bits 1 and 11) and the operating system saves the mask and ZMM state too
// (XCR0 bits 5 to 7); else kSse2, which every x86-64 processor has. The
// detection of compilers without __builtin_cpu_supports.
CpuTier tier_from_cpuid(const CpuidReport& report);
#endif

}  // namespace frameinterp
