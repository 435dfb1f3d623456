// The kernel tier that CPU detection chooses: the table in use is that tier's,
// no higher tier can be chosen by hand, and where the run knows which tier the
// processor must get (FRAMEINTERP_EXPECTED_KERNEL_TIER: "sse2" on an emulated
// processor without AVX, "c" in a build without the SIMD twins) it is that one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "motion/kernels/motion_kernels.h"

#if defined(FRAMEINTERP_X86_KERNELS) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#endif

namespace frameinterp {
namespace {

TEST(KernelTier, DetectionChoosesTheProcessorsTierAndRefusesHigherOnes) {
  const CpuTier detected = detected_cpu_tier();
  const char* expected = std::getenv("FRAMEINTERP_EXPECTED_KERNEL_TIER");
  if (expected != nullptr && *expected != '\0') {
    EXPECT_STREQ(cpu_tier_name(detected), expected);
  }
  EXPECT_EQ(motion_kernel_tier(), detected);
  const MotionKernels own = kernels_for_tier(detected);
  EXPECT_EQ(std::memcmp(&motion_kernels(), &own, sizeof own), 0) << "the table in use is not the detected tier's";
  for (int t = static_cast<int>(detected) + 1; t < kCpuTierCount; ++t) {
    EXPECT_FALSE(use_motion_kernel_tier(static_cast<CpuTier>(t))) << cpu_tier_name(static_cast<CpuTier>(t));
    EXPECT_EQ(motion_kernel_tier(), detected);
  }
}

#if defined(FRAMEINTERP_X86_KERNELS)
// The decision from CPUID and XCR0 that compilers without
// __builtin_cpu_supports use: each tier needs every one of its conditions.
TEST(KernelTier, CpuidReportsGiveEachTierOnlyWithItsInstructionsAndTheSavedState) {
  constexpr uint32_t kOsxsave = 1u << 27, kAvx = 1u << 28, kBoth = kOsxsave | kAvx, kAvx2 = 1u << 5;
  EXPECT_EQ(tier_from_cpuid({7, kBoth, kAvx2, 6, 0}), CpuTier::kAvx2);
  EXPECT_EQ(tier_from_cpuid({13, kBoth | 1, kAvx2 | 0x10, 0xe7, 0}), CpuTier::kAvx2);
  const CpuidReport lacking_one[] = {{6, kBoth, kAvx2, 6, 0}, {7, kAvx, kAvx2, 6, 0},  {7, kOsxsave, kAvx2, 6, 0},
                                     {7, kBoth, kAvx2, 2, 0}, {7, kBoth, kAvx2, 4, 0}, {7, kBoth, ~kAvx2, 6, 0}};
  for (const CpuidReport& report : lacking_one) EXPECT_EQ(tier_from_cpuid(report), CpuTier::kSse2);
  // AVX-512: F, BW and VL in EBX, VBMI and VNNI in ECX, the opmask and ZMM
  // state saved (XCR0 bits 5 to 7).
  constexpr uint32_t kF = 1u << 16, kBw = 1u << 30, kVl = 1u << 31, kVbmi = 1u << 1, kVnni = 1u << 11;
  constexpr uint32_t kEbx = kAvx2 | kF | kBw | kVl, kEcx = kVbmi | kVnni;
  EXPECT_EQ(tier_from_cpuid({7, kBoth, kEbx, 0xe6, kEcx}), CpuTier::kAvx512);
  EXPECT_EQ(tier_from_cpuid({13, kBoth, ~0u, 0xff, ~0u}), CpuTier::kAvx512);
  const CpuidReport short_of_avx512[] = {{7, kBoth, kEbx & ~kF, 0xe6, kEcx}, {7, kBoth, kEbx & ~kBw, 0xe6, kEcx},
                                         {7, kBoth, kEbx & ~kVl, 0xe6, kEcx}, {7, kBoth, kEbx, 0xe6, kVnni},
                                         {7, kBoth, kEbx, 0xe6, kVbmi},       {7, kBoth, kEbx, 0x66, kEcx},
                                         {7, kBoth, kEbx, 0xa6, kEcx},        {7, kBoth, kEbx, 0xc6, kEcx}};
  for (const CpuidReport& report : short_of_avx512) EXPECT_EQ(tier_from_cpuid(report), CpuTier::kAvx2);
  // Without AVX2 no AVX-512 either.
  EXPECT_EQ(tier_from_cpuid({7, kBoth, kEbx & ~kAvx2, 0xe6, kEcx}), CpuTier::kSse2);
#if defined(__GNUC__) || defined(__clang__)
  // On this processor it agrees with the compiler's detection.
  CpuidReport here{};
  uint32_t a = 0, b = 0, c = 0, d = 0;
  here.max_leaf = __get_cpuid_max(0, nullptr);
  __get_cpuid(1, &a, &b, &c, &d);
  here.leaf1_ecx = c;
  if (__get_cpuid_count(7, 0, &a, &b, &c, &d)) {
    here.leaf7_ebx = b;
    here.leaf7_ecx = c;
  }
  if ((here.leaf1_ecx >> 27) & 1) {
    uint32_t high = 0;
    __asm__ volatile("xgetbv" : "=a"(here.xcr0), "=d"(high) : "c"(0));
  }
  EXPECT_EQ(tier_from_cpuid(here), detected_cpu_tier());
#endif
}
#endif

}  // namespace
}  // namespace frameinterp
