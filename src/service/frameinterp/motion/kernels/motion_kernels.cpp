#include "motion/kernels/motion_kernels.h"

namespace frameinterp {
namespace {

struct ActiveKernels {
  CpuTier tier;
  MotionKernels table;
};

ActiveKernels& active() {
  static ActiveKernels kernels = [] {
    const CpuTier tier = detected_cpu_tier();
    return ActiveKernels{tier, kernels_for_tier(tier)};
  }();
  return kernels;
}

template <class Fn>
AnyKernel any_kernel(Fn* kernel) {
  return reinterpret_cast<AnyKernel>(kernel);
}

// An entry of the table and the function that fills it, both as written.
#define FRAMEINTERP_PROVIDES(entry, function) \
  ProvidedKernel { #entry, #function, any_kernel(function) }

const ProvidedKernel kCKernels[] = {
    FRAMEINTERP_PROVIDES(block_sad[0], sad_1x1_c),
    FRAMEINTERP_PROVIDES(block_sad[1], sad_2x2_c),
    FRAMEINTERP_PROVIDES(block_sad[2], sad_4x4_c),
    FRAMEINTERP_PROVIDES(block_sad[3], sad_8x8_c),
    FRAMEINTERP_PROVIDES(block_sad[4], sad_16x16_c),
    FRAMEINTERP_PROVIDES(block_sad[5], sad_32x32_c),
    FRAMEINTERP_PROVIDES(plane_sad, plane_sad_c),
    FRAMEINTERP_PROVIDES(accumulate_pairs, accumulate_pairs_c),
    FRAMEINTERP_PROVIDES(resolve_row, resolve_row_c),
    FRAMEINTERP_PROVIDES(gather_pairs, gather_pairs_c),
    FRAMEINTERP_PROVIDES(stream_rows, stream_rows_c),
};

#if defined(FRAMEINTERP_X86_KERNELS)
const ProvidedKernel kSse2Kernels[] = {
    FRAMEINTERP_PROVIDES(block_sad[2], sad_4x4_sse2),
    FRAMEINTERP_PROVIDES(block_sad[3], sad_8x8_sse2),
    FRAMEINTERP_PROVIDES(block_sad[4], sad_16x16_sse2),
    FRAMEINTERP_PROVIDES(block_sad[5], sad_32x32_sse2),
    FRAMEINTERP_PROVIDES(plane_sad, plane_sad_sse2),
    FRAMEINTERP_PROVIDES(accumulate_pairs, accumulate_pairs_sse2),
    FRAMEINTERP_PROVIDES(resolve_row, resolve_row_sse2),
    FRAMEINTERP_PROVIDES(gather_pairs, gather_pairs_sse2),
    FRAMEINTERP_PROVIDES(stream_rows, stream_rows_sse2),
};

const ProvidedKernel kAvx2Kernels[] = {
    FRAMEINTERP_PROVIDES(block_sad[3], sad_8x8_avx2),
    FRAMEINTERP_PROVIDES(block_sad[4], sad_16x16_avx2),
    FRAMEINTERP_PROVIDES(block_sad[5], sad_32x32_avx2),
    FRAMEINTERP_PROVIDES(plane_sad, plane_sad_avx2),
    FRAMEINTERP_PROVIDES(accumulate_pairs, accumulate_pairs_avx2),
    FRAMEINTERP_PROVIDES(resolve_row, resolve_row_avx2),
    FRAMEINTERP_PROVIDES(gather_pairs, gather_pairs_avx2),
};

const ProvidedKernel kAvx512Kernels[] = {
    FRAMEINTERP_PROVIDES(gather_pairs, gather_pairs_avx512),
};
#endif

#undef FRAMEINTERP_PROVIDES

}  // namespace

std::span<const ProvidedKernel> tier_kernels(CpuTier tier) {
  switch (tier) {
    case CpuTier::kC:
      return kCKernels;
#if defined(FRAMEINTERP_X86_KERNELS)
    case CpuTier::kSse2:
      return kSse2Kernels;
    case CpuTier::kAvx2:
      return kAvx2Kernels;
    case CpuTier::kAvx512:
      return kAvx512Kernels;
#endif
    default:
      return {};
  }
}

std::array<KernelEntry, kKernelEntries> kernel_entries(const MotionKernels& k) {
  static_assert(sizeof(MotionKernels) == kKernelEntries * sizeof(AnyKernel),
                "every entry has a name");
#define FRAMEINTERP_ENTRY(member) KernelEntry{#member, any_kernel(k.member)}
  return {FRAMEINTERP_ENTRY(block_sad[0]), FRAMEINTERP_ENTRY(block_sad[1]),
          FRAMEINTERP_ENTRY(block_sad[2]), FRAMEINTERP_ENTRY(block_sad[3]),
          FRAMEINTERP_ENTRY(block_sad[4]), FRAMEINTERP_ENTRY(block_sad[5]),
          FRAMEINTERP_ENTRY(plane_sad),    FRAMEINTERP_ENTRY(accumulate_pairs),
          FRAMEINTERP_ENTRY(resolve_row),  FRAMEINTERP_ENTRY(gather_pairs),
          FRAMEINTERP_ENTRY(stream_rows)};
#undef FRAMEINTERP_ENTRY
}

MotionKernels kernels_for_tier(CpuTier tier) {
  MotionKernels k = {{sad_1x1_c, sad_2x2_c, sad_4x4_c, sad_8x8_c, sad_16x16_c, sad_32x32_c},
                     plane_sad_c,
                     accumulate_pairs_c,
                     resolve_row_c,
                     gather_pairs_c,
                     stream_rows_c};
#if defined(FRAMEINTERP_X86_KERNELS)
  if (tier >= CpuTier::kSse2) {
    k.block_sad[2] = sad_4x4_sse2;
    k.block_sad[3] = sad_8x8_sse2;
    k.block_sad[4] = sad_16x16_sse2;
    k.block_sad[5] = sad_32x32_sse2;
    k.plane_sad = plane_sad_sse2;
    k.accumulate_pairs = accumulate_pairs_sse2;
    k.resolve_row = resolve_row_sse2;
    k.gather_pairs = gather_pairs_sse2;
    k.stream_rows = stream_rows_sse2;
  }
  if (tier >= CpuTier::kAvx2) {
    k.block_sad[3] = sad_8x8_avx2;
    k.block_sad[4] = sad_16x16_avx2;
    k.block_sad[5] = sad_32x32_avx2;
    k.plane_sad = plane_sad_avx2;
    k.accumulate_pairs = accumulate_pairs_avx2;
    k.resolve_row = resolve_row_avx2;
    k.gather_pairs = gather_pairs_avx2;
  }
  if (tier >= CpuTier::kAvx512) k.gather_pairs = gather_pairs_avx512;
#else
  (void)tier;
#endif
  return k;
}

const MotionKernels& motion_kernels() { return active().table; }

CpuTier motion_kernel_tier() { return active().tier; }

bool use_motion_kernel_tier(CpuTier tier) {
  if (tier > detected_cpu_tier()) return false;
  active() = {tier, kernels_for_tier(tier)};
  return true;
}

}  // namespace frameinterp
