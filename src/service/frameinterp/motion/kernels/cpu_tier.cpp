#include "motion/kernels/cpu_tier.h"

#if defined(FRAMEINTERP_X86_KERNELS) && defined(_MSC_VER) && !defined(__clang__)
#include <immintrin.h>
#include <intrin.h>
#endif

namespace frameinterp {

const char* cpu_tier_name(CpuTier tier) {
  switch (tier) {
    case CpuTier::kSse2:
      return "sse2";
    case CpuTier::kAvx2:
      return "avx2";
    case CpuTier::kC:
      break;
  }
  return "c";
}

CpuTier detected_cpu_tier() {
#if !defined(FRAMEINTERP_X86_KERNELS)
  return CpuTier::kC;
#elif defined(__GNUC__) || defined(__clang__)
  // The AVX2 answer includes the operating system's saving of the YMM state.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? CpuTier::kAvx2 : CpuTier::kSse2;
#else
  // SSE2 is part of every x86-64 processor. AVX2 needs the CPUID bit and the
  // operating system's saving of the YMM state (OSXSAVE, XCR0 bits 1 and 2).
  int regs[4] = {};
  __cpuid(regs, 0);
  if (regs[0] < 7) return CpuTier::kSse2;
  __cpuid(regs, 1);
  const bool osxsave = (regs[2] >> 27) & 1, avx = (regs[2] >> 28) & 1;
  if (!osxsave || !avx || (_xgetbv(0) & 6) != 6) return CpuTier::kSse2;
  __cpuidex(regs, 7, 0);
  return (regs[1] >> 5) & 1 ? CpuTier::kAvx2 : CpuTier::kSse2;
#endif
}

}  // namespace frameinterp
