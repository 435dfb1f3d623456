// Every SIMD twin of every pixel kernel against its plain reference, on the
// tiers this processor runs: random and extreme samples, every edge and
// length, odd strides and every alignment. The first differing result fails.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "motion/kernels/motion_kernels.h"

namespace frameinterp {
namespace {

// The tables of the SIMD tiers this processor runs.
std::vector<std::pair<CpuTier, MotionKernels>> simd_tiers() {
  std::vector<std::pair<CpuTier, MotionKernels>> tiers;
  for (int t = 1; t < kCpuTierCount; ++t) {
    const auto tier = static_cast<CpuTier>(t);
    if (tier <= detected_cpu_tier()) tiers.emplace_back(tier, kernels_for_tier(tier));
  }
  return tiers;
}

// Bytes: random, or all at one extreme (0 or 255), by `kind` 0, 1, 2.
std::vector<uint8_t> bytes(size_t n, std::mt19937& rng, int kind) {
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) b = kind == 0 ? static_cast<uint8_t>(rng()) : kind == 1 ? 0 : 255;
  return v;
}

TEST(Kernels, BlockSadOfEveryEdgeStrideAndAlignment) {
  std::mt19937 rng(1);
  for (const auto& [tier, k] : simd_tiers()) {
    for (int32_t log2 = 0; log2 < kBlockSadSizes; ++log2) {
      const int32_t n = 1 << log2;
      for (const ptrdiff_t stride : {ptrdiff_t{n}, ptrdiff_t{n} + 1, ptrdiff_t{67}, ptrdiff_t{1920}}) {
        for (int32_t offset = 0; offset < 32; offset += 3) {
          for (int kind = 0; kind < 3; ++kind) {
            const size_t size = static_cast<size_t>(offset + stride * n + 32);
            const auto a = bytes(size, rng, kind), b = bytes(size, rng, 2 - kind);
            ASSERT_EQ(k.block_sad[log2](a.data() + offset, b.data() + offset, stride),
                      sad_square_c(a.data() + offset, b.data() + offset, stride, n))
                << cpu_tier_name(tier) << " " << n << "x" << n << " stride " << stride;
          }
        }
      }
    }
  }
}

TEST(Kernels, PlaneSadOfEveryWidthStrideAndAlignment) {
  std::mt19937 rng(2);
  for (const auto& [tier, k] : simd_tiers()) {
    for (int64_t width : {0, 1, 15, 16, 17, 31, 32, 33, 63, 64, 100, 1920}) {
      for (int64_t height : {0, 1, 3}) {
        for (int kind = 0; kind < 3; ++kind) {
          const ptrdiff_t sa = static_cast<ptrdiff_t>(width) + 3, sb = static_cast<ptrdiff_t>(width) + 35;
          const int32_t offset = static_cast<int32_t>(rng() % 32);
          const auto a = bytes(static_cast<size_t>(sa * 3 + 40), rng, kind);
          const auto b = bytes(static_cast<size_t>(sb * 3 + 40), rng, 2 - kind);
          ASSERT_EQ(k.plane_sad(a.data() + offset, sa, b.data() + 1, sb, width, height),
                    plane_sad_c(a.data() + offset, sa, b.data() + 1, sb, width, height))
              << cpu_tier_name(tier) << " " << width << "x" << height;
        }
      }
    }
  }
}

// Inputs of the weighted-sum kernels within their ranges: weights and samples
// random or extreme, totals up to 16 x 255 x 1024 or 0, each sum up to 255 x
// the total of its sample (totals[i x total_step]).
struct SumInputs {
  std::vector<uint8_t> weights, s1, s2;
  std::vector<uint32_t> sums, totals;
  SumInputs(size_t n, std::mt19937& rng, int kind, size_t total_step = 1) {
    weights = bytes(n, rng, kind);
    s1 = bytes(n, rng, kind);
    s2 = bytes(n, rng, kind == 0 ? 0 : 3 - kind);
    for (size_t i = 0; i < n * total_step; ++i) {
      totals.push_back(kind == 2 ? 16u * 255 * 1024 : (rng() % 4 == 0 ? 0 : rng() % 4177921));
    }
    for (size_t i = 0; i < n; ++i) {
      const uint64_t most = 255ull * totals[i * total_step];
      sums.push_back(static_cast<uint32_t>(kind == 2 ? most : rng() % (most + 1)));
    }
  }
};

TEST(Kernels, PairSumsOfEveryShapeStepStrideAndAlignment) {
  std::mt19937 rng(3);
  for (const auto& [tier, k] : simd_tiers()) {
    for (int32_t cols = 0; cols <= 40; ++cols) {
      for (const int32_t rows : {1, 3}) {
        for (const int32_t step : {1, 2}) {
          for (const uint32_t alpha : {1u, 300u, 1023u}) {
            const int kind = static_cast<int>(rng() % 3);
            const ptrdiff_t stride = cols * step + static_cast<ptrdiff_t>(rng() % 5);
            const size_t size = static_cast<size_t>(stride * rows + 64);
            SumInputs in(size, rng, kind);
            const int32_t at = static_cast<int32_t>(rng() % 16);  // alignment of every pointer
            std::vector<uint32_t> sums = in.sums, totals = in.totals;
            PairRect rect{sums.data() + at, stride + 1, totals.data() + at, stride + 2,
                          in.weights.data() + at, stride, step, in.s1.data() + at, stride + 3,
                          in.s2.data() + at, stride, cols, rows, 1024 - alpha, alpha};
            accumulate_pairs_c(rect);
            const std::vector<uint32_t> sums_ref = sums, totals_ref = totals;
            sums = in.sums;
            totals = in.totals;
            k.accumulate_pairs(rect);
            ASSERT_EQ(sums, sums_ref) << cpu_tier_name(tier) << " " << cols << "x" << rows << " step " << step;
            ASSERT_EQ(totals, totals_ref) << cpu_tier_name(tier) << " " << cols << "x" << rows << " step " << step;
          }
        }
      }
    }
  }
}

TEST(Kernels, ResolveOfEveryLengthTotalStepAndAlignment) {
  std::mt19937 rng(4);
  for (const auto& [tier, k] : simd_tiers()) {
    for (int32_t n = 0; n <= 70; ++n) {
      for (const int32_t step : {1, 2}) {
        for (const uint32_t alpha : {1u, 512u, 1023u}) {
          for (int kind = 0; kind < 3; ++kind) {
            SumInputs in(static_cast<size_t>(n + 32), rng, kind, static_cast<size_t>(step));
            const int32_t at = static_cast<int32_t>(rng() % 16);
            std::vector<uint8_t> out_ref(in.s1.size(), 7), out = out_ref;
            std::vector<uint32_t> sums_ref = in.sums, sums = in.sums;
            resolve_row_c(out_ref.data() + at, sums_ref.data() + at, in.totals.data() + at * step, step,
                          in.s1.data() + at, in.s2.data() + at, n, 1024 - alpha, alpha);
            k.resolve_row(out.data() + at, sums.data() + at, in.totals.data() + at * step, step,
                          in.s1.data() + at, in.s2.data() + at, n, 1024 - alpha, alpha);
            ASSERT_EQ(out, out_ref) << cpu_tier_name(tier) << " n " << n << " step " << step;
            ASSERT_EQ(sums, sums_ref) << cpu_tier_name(tier) << " n " << n << " clears";
          }
        }
      }
    }
  }
}

TEST(Kernels, GatheredMeansOfEveryPairCountShapeAndAlignment) {
  std::mt19937 rng(5);
  for (const auto& [tier, k] : simd_tiers()) {
    for (int32_t pairs = 0; pairs <= kMaxGatherPairs; ++pairs) {
      for (int32_t cols = 0; cols <= 40; ++cols) {
        for (const uint32_t alpha : {1u, 333u, 1023u}) {
          // Random, extreme (all weights 255 and samples 255), or sparse
          // weights that leave many samples without a pair (the plain blend).
          const int kind = static_cast<int>(rng() % 3);
          const int32_t rows = 1 + static_cast<int32_t>(rng() % 5);
          const ptrdiff_t stride = cols + static_cast<ptrdiff_t>(rng() % 5);
          const size_t size = static_cast<size_t>(stride * rows + 48);
          std::vector<std::vector<uint8_t>> planes;
          for (int32_t i = 0; i < 3 * pairs + 2; ++i) {
            planes.push_back(bytes(size, rng, kind == 1 ? 2 : 0));
            if (kind == 2 && i % 3 == 0 && i < 3 * pairs) {
              for (uint8_t& w : planes.back()) w = rng() % 4 == 0 ? w : 0;
            }
          }
          const auto at = [&](size_t i) { return planes[i].data() + rng() % 16; };
          GatherRect rect{};
          rect.cols = cols;
          rect.rows = rows;
          rect.pairs = pairs;
          rect.beta = 1024 - alpha;
          rect.alpha = alpha;
          for (int32_t p = 0; p < pairs; ++p) {
            rect.pair[p] = {at(3 * p), at(3 * p + 1), at(3 * p + 2)};
          }
          rect.weights_stride = stride;
          rect.samples_stride = stride + 1;
          rect.own_first = at(3 * pairs);
          rect.own_second = at(3 * pairs + 1);
          rect.own_stride = stride + 3;
          std::vector<uint8_t> out_ref(size + 32, 7), out = out_ref;
          const size_t offset = rng() % 16;
          rect.out = out_ref.data() + offset;
          rect.out_stride = stride + 1;
          gather_pairs_c(rect);
          rect.out = out.data() + offset;
          k.gather_pairs(rect);
          ASSERT_EQ(out, out_ref) << cpu_tier_name(tier) << " " << pairs << " pairs " << cols << "x"
                                  << rows << " alpha " << alpha;
        }
      }
    }
  }
}

}  // namespace
}  // namespace frameinterp
