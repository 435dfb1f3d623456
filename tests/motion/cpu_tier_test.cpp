// The kernel tier that CPU detection chooses: the table in use is that tier's,
// no higher tier can be chosen by hand, and where the run knows which tier the
// processor must get (FRAMEINTERP_EXPECTED_KERNEL_TIER: "sse2" on an emulated
// processor without AVX, "c" in a build without the SIMD twins) it is that one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "motion/kernels/motion_kernels.h"

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

}  // namespace
}  // namespace frameinterp
