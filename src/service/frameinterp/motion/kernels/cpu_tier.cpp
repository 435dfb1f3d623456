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
    case CpuTier::kAvx512:
      return "avx512";
    case CpuTier::kC:
      break;
  }
  return "c";
}

CpuTier detected_cpu_tier() {
#if !defined(FRAMEINTERP_X86_KERNELS)
  return CpuTier::kC;
#elif defined(__GNUC__) || defined(__clang__)
  // The answers include the operating system's saving of the YMM and ZMM state.
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx2")) return CpuTier::kSse2;
  const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
                      __builtin_cpu_supports("avx512vnni");
  return avx512 ? CpuTier::kAvx512 : CpuTier::kAvx2;
#else
  CpuidReport report{};
  int regs[4] = {};
  __cpuid(regs, 0);
  report.max_leaf = static_cast<uint32_t>(regs[0]);
  __cpuid(regs, 1);
  report.leaf1_ecx = static_cast<uint32_t>(regs[2]);
  if ((report.leaf1_ecx >> 27) & 1) report.xcr0 = static_cast<uint32_t>(_xgetbv(0));
  if (report.max_leaf >= 7) {
    __cpuidex(regs, 7, 0);
    report.leaf7_ebx = static_cast<uint32_t>(regs[1]);
    report.leaf7_ecx = static_cast<uint32_t>(regs[2]);
  }
  return tier_from_cpuid(report);
#endif
}

#if defined(FRAMEINTERP_X86_KERNELS)
CpuTier tier_from_cpuid(const CpuidReport& report) {
  if (report.max_leaf < 7) return CpuTier::kSse2;
  const bool osxsave = (report.leaf1_ecx >> 27) & 1, avx = (report.leaf1_ecx >> 28) & 1;
  if (!osxsave || !avx || (report.xcr0 & 6) != 6) return CpuTier::kSse2;
  if (!((report.leaf7_ebx >> 5) & 1)) return CpuTier::kSse2;
  constexpr uint32_t kF = 1u << 16, kBw = 1u << 30, kVl = 1u << 31, kVbmi = 1u << 1, kVnni = 1u << 11;
  const bool avx512 = (report.leaf7_ebx & (kF | kBw | kVl)) == (kF | kBw | kVl) &&
                      (report.leaf7_ecx & (kVbmi | kVnni)) == (kVbmi | kVnni) && (report.xcr0 & 0xe6) == 0xe6;
  return avx512 ? CpuTier::kAvx512 : CpuTier::kAvx2;
}
#endif

}  // namespace frameinterp
