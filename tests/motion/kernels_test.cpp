// The kernel table against the kernels each tier names: at every tier each
// entry holds the newest kernel named for it, never the tier below's. Then
// every kernel new at a tier this processor runs (the C tier's once, each SIMD
// twin at its own tier) against its plain reference and the tier below's:
// random and extreme samples, every edge and length, odd strides and every
// alignment, and real footage. The first differing result fails.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "motion/kernels/motion_kernels.h"
#include "testdata.h"
#include "y4m_clip.h"

namespace frameinterp {
namespace {

// The function some tier names for this kernel, or "an unnamed kernel".
std::string name_of(AnyKernel kernel) {
  for (int t = 0; t < kCpuTierCount; ++t) {
    for (const ProvidedKernel& p : tier_kernels(static_cast<CpuTier>(t))) {
      if (p.kernel == kernel) return p.function;
    }
  }
  return "an unnamed kernel";
}

TEST(KernelTable, EveryTierHoldsTheKernelsItNamesAndTheRestFromBelow) {
  std::map<std::string, ProvidedKernel> newest;  // by entry, up to the tier
  for (int t = 0; t < kCpuTierCount; ++t) {
    const auto tier = static_cast<CpuTier>(t);
    for (const ProvidedKernel& p : tier_kernels(tier)) {
      EXPECT_TRUE(std::string(p.function).ends_with(std::string("_") + cpu_tier_name(tier)))
          << cpu_tier_name(tier) << " names " << p.function;
      EXPECT_TRUE(newest[p.entry].kernel != p.kernel) << p.function << " named twice";
      newest[p.entry] = p;
    }
    ASSERT_EQ(newest.size(), size_t{kKernelEntries})
        << "up to " << cpu_tier_name(tier) << ", the entries named are not the table's";
    for (const KernelEntry& e : kernel_entries(kernels_for_tier(tier))) {
      EXPECT_TRUE(e.kernel == newest[e.entry].kernel)
          << cpu_tier_name(tier) << ": " << e.entry << " holds " << name_of(e.kernel) << ", not "
          << newest[e.entry].function;
    }
  }
}

// A kernel of one entry at the tier whose table first holds it, and the
// entry's kernel at the tier below (at the C tier, the kernel itself).
template <class Fn>
struct NewKernel {
  CpuTier tier;
  Fn kernel;
  Fn below;
};

// The kernels that `entry` picks from the tables: the C tier's, then each new
// one at the tiers this processor runs.
template <class Entry>
auto new_kernels(Entry entry) {
  using Fn = decltype(entry(MotionKernels{}));
  Fn below = entry(kernels_for_tier(CpuTier::kC));
  std::vector<NewKernel<Fn>> list = {{CpuTier::kC, below, below}};
  for (int t = 1; t <= static_cast<int>(detected_cpu_tier()); ++t) {
    const auto tier = static_cast<CpuTier>(t);
    const Fn kernel = entry(kernels_for_tier(tier));
    if (kernel != below) list.push_back({tier, kernel, below});
    below = kernel;
  }
  return list;
}

// The new kernel's result and the tier below's are the reference's.
template <class T>
::testing::AssertionResult same(const T& got, const T& below, const T& want) {
  if (got == want && below == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "gives " << got << ", the tier below " << below
                                       << ", the reference " << want;
}

// Bytes: random, or all at one extreme (0 or 255), by `kind` 0, 1, 2.
std::vector<uint8_t> bytes(size_t n, std::mt19937& rng, int kind) {
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) b = kind == 0 ? static_cast<uint8_t>(rng()) : kind == 1 ? 0 : 255;
  return v;
}

TEST(Kernels, BlockSadOfEveryEdgeStrideAndAlignment) {
  std::mt19937 rng(1);
  for (int32_t log2 = 0; log2 < kBlockSadSizes; ++log2) {
    const int32_t n = 1 << log2;
    for (const auto& k : new_kernels([&](const MotionKernels& t) { return t.block_sad[log2]; })) {
      for (const ptrdiff_t stride : {ptrdiff_t{n}, ptrdiff_t{n} + 1, ptrdiff_t{67}, ptrdiff_t{1920}}) {
        for (int32_t offset = 0; offset < 32; offset += 3) {
          for (int kind = 0; kind < 3; ++kind) {
            const size_t size = static_cast<size_t>(offset + stride * n + 32);
            const auto av = bytes(size, rng, kind), bv = bytes(size, rng, 2 - kind);
            const uint8_t *a = av.data() + offset, *b = bv.data() + offset;
            ASSERT_TRUE(same(k.kernel(a, b, stride), k.below(a, b, stride),
                             sad_square_c(a, b, stride, n)))
                << cpu_tier_name(k.tier) << " " << n << "x" << n << " stride " << stride;
          }
        }
      }
    }
  }
}

TEST(Kernels, PlaneSadOfEveryWidthStrideAndAlignment) {
  std::mt19937 rng(2);
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.plane_sad; })) {
    for (int64_t width : {0, 1, 15, 16, 17, 31, 32, 33, 63, 64, 100, 1920}) {
      for (int64_t height : {0, 1, 3}) {
        for (int kind = 0; kind < 3; ++kind) {
          const ptrdiff_t sa = static_cast<ptrdiff_t>(width) + 3, sb = static_cast<ptrdiff_t>(width) + 35;
          const int32_t offset = static_cast<int32_t>(rng() % 32);
          const auto av = bytes(static_cast<size_t>(sa * 3 + 40), rng, kind);
          const auto bv = bytes(static_cast<size_t>(sb * 3 + 40), rng, 2 - kind);
          const uint8_t *a = av.data() + offset, *b = bv.data() + 1;
          ASSERT_TRUE(same(k.kernel(a, sa, b, sb, width, height),
                           k.below(a, sa, b, sb, width, height),
                           plane_sad_c(a, sa, b, sb, width, height)))
              << cpu_tier_name(k.tier) << " " << width << "x" << height;
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

// The sums and totals after `accumulate` over `rect`, run on copies of the
// starting ones with the rectangle's sums and totals at offset `at`.
struct Accumulated {
  std::vector<uint32_t> sums, totals;
  bool operator==(const Accumulated&) const = default;
};
Accumulated accumulated(AccumulatePairsFn accumulate, PairRect rect, Accumulated start, size_t at) {
  rect.sums = start.sums.data() + at;
  rect.totals = start.totals.data() + at;
  accumulate(rect);
  return start;
}

TEST(Kernels, PairSumsOfEveryShapeStepStrideAndAlignment) {
  std::mt19937 rng(3);
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.accumulate_pairs; })) {
    for (int32_t cols = 0; cols <= 40; ++cols) {
      for (const int32_t rows : {1, 3}) {
        for (const int32_t step : {1, 2}) {
          for (const uint32_t alpha : {1u, 300u, 1023u}) {
            const int kind = static_cast<int>(rng() % 3);
            const ptrdiff_t stride = cols * step + static_cast<ptrdiff_t>(rng() % 5);
            SumInputs in(static_cast<size_t>(stride * rows + 64), rng, kind);
            const int32_t at = static_cast<int32_t>(rng() % 16);  // alignment of every pointer
            const PairRect rect{nullptr, stride + 1, nullptr, stride + 2, in.weights.data() + at,
                                stride, step, in.s1.data() + at, stride + 3, in.s2.data() + at,
                                stride, cols, rows, 1024 - alpha, alpha};
            const Accumulated start{in.sums, in.totals};
            const Accumulated want = accumulated(accumulate_pairs_c, rect, start, at);
            ASSERT_TRUE(accumulated(k.kernel, rect, start, at) == want &&
                        accumulated(k.below, rect, start, at) == want)
                << cpu_tier_name(k.tier) << " " << cols << "x" << rows << " step " << step;
          }
        }
      }
    }
  }
}

// The output row and the cleared sums after `resolve` on a copy of `sums`,
// its row and the output at offset `at`.
struct Resolved {
  std::vector<uint8_t> out;
  std::vector<uint32_t> sums;
  bool operator==(const Resolved&) const = default;
};
Resolved resolved(ResolveRowFn resolve, std::vector<uint32_t> sums, size_t at,
                  const uint32_t* totals, int32_t step, const uint8_t* s1, const uint8_t* s2,
                  int32_t n, uint32_t alpha) {
  std::vector<uint8_t> out(sums.size(), 7);
  resolve(out.data() + at, sums.data() + at, totals, step, s1, s2, n, 1024 - alpha, alpha);
  return {out, sums};
}

TEST(Kernels, ResolveOfEveryLengthTotalStepAndAlignment) {
  std::mt19937 rng(4);
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.resolve_row; })) {
    for (int32_t n = 0; n <= 70; ++n) {
      for (const int32_t step : {1, 2}) {
        for (const uint32_t alpha : {1u, 512u, 1023u}) {
          for (int kind = 0; kind < 3; ++kind) {
            SumInputs in(static_cast<size_t>(n + 32), rng, kind, static_cast<size_t>(step));
            const size_t at = rng() % 16;
            const auto run = [&](ResolveRowFn resolve) {
              return resolved(resolve, in.sums, at, in.totals.data() + at * step, step,
                              in.s1.data() + at, in.s2.data() + at, n, alpha);
            };
            const Resolved want = run(resolve_row_c);
            ASSERT_TRUE(run(k.kernel) == want && run(k.below) == want)
                << cpu_tier_name(k.tier) << " n " << n << " step " << step << " alpha " << alpha;
          }
        }
      }
    }
  }
}

// The output after `gather` over `rect`, written at offset `at` of a copy of
// `out`.
std::vector<uint8_t> gathered(GatherPairsFn gather, GatherRect rect, std::vector<uint8_t> out,
                              size_t at) {
  rect.out = out.data() + at;
  gather(rect);
  return out;
}

TEST(Kernels, GatheredMeansOfEveryPairCountShapeAndAlignment) {
  std::mt19937 rng(5);
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.gather_pairs; })) {
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
          rect.out_stride = stride + 1;
          const std::vector<uint8_t> out(size + 32, 7);
          const size_t offset = rng() % 16;
          const std::vector<uint8_t> want = gathered(gather_pairs_c, rect, out, offset);
          ASSERT_TRUE(gathered(k.kernel, rect, out, offset) == want &&
                      gathered(k.below, rect, out, offset) == want)
              << cpu_tier_name(k.tier) << " " << pairs << " pairs " << cols << "x" << rows
              << " alpha " << alpha;
        }
      }
    }
  }
}

// Two consecutive frames of a clip with motion, for the kernels on real
// samples at positions, shifts and sizes as the pipeline meets them.
class KernelsOnFootage : public ::testing::Test {
protected:
  void SetUp() override {
    const auto clip = fitool::Y4mClip::Open(testing::TestdataPath("clips/cars_320x240_30fps.y4m"),
                                            fitool::Y4mClip::Access::kRandom);
    a_ = clip->Frame(10);
    b_ = clip->Frame(11);
    w_ = a_.width;
    // Window weights from the later frame's luma, 0 where it is dark (no
    // window reaches there).
    weights_ = b_.y;
    for (uint8_t& w : weights_) w = w < 90 ? 0 : w;
  }
  const uint8_t* a(int32_t x, int32_t y) const { return a_.y.data() + ptrdiff_t{y} * w_ + x; }
  const uint8_t* b(int32_t x, int32_t y) const { return b_.y.data() + ptrdiff_t{y} * w_ + x; }
  const uint8_t* weight(int32_t x, int32_t y) const {
    return weights_.data() + ptrdiff_t{y} * w_ + x;
  }
  // 1 .. most.
  int32_t upto(int32_t most) {
    return 1 + static_cast<int32_t>(rng_() % static_cast<uint32_t>(most));
  }
  // An x from 4 on that leaves `span` + 4 samples after it, and likewise y.
  int32_t x_for(int32_t span) { return 3 + upto(w_ - span - 7); }
  int32_t y_for(int32_t span) { return 3 + upto(a_.height - span - 7); }
  int32_t shift() { return upto(9) - 5; }

  fitool::Picture a_, b_;
  std::vector<uint8_t> weights_;
  int32_t w_ = 0;
  std::mt19937 rng_{6};
};

TEST_F(KernelsOnFootage, BlockSadOfBlocksAFewSamplesApart) {
  for (int32_t log2 = 0; log2 < kBlockSadSizes; ++log2) {
    const int32_t n = 1 << log2;
    for (const auto& k : new_kernels([&](const MotionKernels& t) { return t.block_sad[log2]; })) {
      for (int i = 0; i < 300; ++i) {
        const int32_t x = x_for(n), y = y_for(n);
        const uint8_t *p = a(x, y), *q = b(x + shift(), y + shift());
        ASSERT_TRUE(same(k.kernel(p, q, w_), k.below(p, q, w_), sad_square_c(p, q, w_, n)))
            << cpu_tier_name(k.tier) << " " << n << "x" << n << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(KernelsOnFootage, PlaneSadOfAreasOfEveryPlaceAndSize) {
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.plane_sad; })) {
    for (int i = 0; i < 100; ++i) {
      const int32_t width = upto(w_ - 8), height = upto(a_.height - 8);
      const int32_t x = x_for(width), y = y_for(height);
      const uint8_t *p = a(x, y), *q = b(x, y);
      ASSERT_TRUE(same(k.kernel(p, w_, q, w_, width, height), k.below(p, w_, q, w_, width, height),
                       plane_sad_c(p, w_, q, w_, width, height)))
          << cpu_tier_name(k.tier) << " " << width << "x" << height << " at " << x << "," << y;
    }
  }
}

// Sums of 16 pairs (the most a pixel takes) over rectangles, each pair's
// samples a few samples apart in the two frames, then resolved row by row.
TEST_F(KernelsOnFootage, PairSumsOfSixteenPairsAndTheirResolvedRows) {
  const auto accumulators = new_kernels([](const MotionKernels& t) { return t.accumulate_pairs; });
  const auto resolvers = new_kernels([](const MotionKernels& t) { return t.resolve_row; });
  for (int i = 0; i < 40; ++i) {
    const int32_t cols = upto(90), rows = upto(8), step = upto(2);
    const int32_t x = x_for(step * cols), y = y_for(rows);
    const size_t n = static_cast<size_t>(cols * rows);
    Accumulated sums{std::vector<uint32_t>(n), std::vector<uint32_t>(n)};
    for (int pair = 0; pair < 16; ++pair) {
      const uint32_t alpha = static_cast<uint32_t>(upto(1023));
      const int32_t dx = shift(), dy = shift();
      const PairRect rect{nullptr, cols, nullptr, cols, weight(x + dx, y), w_, step,
                          a(x + dx, y + dy), w_, b(x - dx, y - dy), w_, cols, rows, 1024 - alpha,
                          alpha};
      const Accumulated want = accumulated(accumulate_pairs_c, rect, sums, 0);
      for (const auto& k : accumulators) {
        ASSERT_TRUE(accumulated(k.kernel, rect, sums, 0) == want &&
                    accumulated(k.below, rect, sums, 0) == want)
            << cpu_tier_name(k.tier) << " " << cols << "x" << rows << " at " << x << "," << y;
      }
      sums = want;
    }
    const uint32_t alpha = static_cast<uint32_t>(upto(1023));
    for (int32_t r = 0; r < rows; ++r) {
      const std::vector<uint32_t> row(sums.sums.begin() + r * cols,
                                      sums.sums.begin() + (r + 1) * cols);
      const auto run = [&](ResolveRowFn resolve) {
        return resolved(resolve, row, 0, sums.totals.data() + r * cols, 1, a(x, y + r),
                        b(x, y + r), cols, alpha);
      };
      const Resolved want = run(resolve_row_c);
      for (const auto& k : resolvers) {
        ASSERT_TRUE(run(k.kernel) == want && run(k.below) == want)
            << cpu_tier_name(k.tier) << " row of " << cols;
      }
    }
  }
}

// Up to five pairs gathered over rectangles of a chroma cell's shape and
// larger, each pair's samples a few samples apart in the two frames.
TEST_F(KernelsOnFootage, GatheredMeansOfUpToFivePairs) {
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.gather_pairs; })) {
    for (int i = 0; i < 200; ++i) {
      GatherRect rect{};
      rect.cols = upto(64);
      rect.rows = upto(16);
      rect.pairs = upto(kMaxGatherPairs + 1) - 1;
      rect.alpha = static_cast<uint32_t>(upto(1023));
      rect.beta = 1024 - rect.alpha;
      const int32_t x = x_for(rect.cols), y = y_for(rect.rows);
      rect.own_first = a(x, y);
      rect.own_second = b(x, y);
      rect.own_stride = rect.weights_stride = rect.samples_stride = w_;
      for (int32_t p = 0; p < rect.pairs; ++p) {
        const int32_t dx = shift(), dy = shift();
        rect.pair[p] = {weight(x + dx, y + dy), a(x + dx, y + dy), b(x - dx, y - dy)};
      }
      rect.out_stride = rect.cols + 3;
      const std::vector<uint8_t> out(static_cast<size_t>(rect.out_stride * rect.rows), 7);
      const std::vector<uint8_t> want = gathered(gather_pairs_c, rect, out, 0);
      ASSERT_TRUE(gathered(k.kernel, rect, out, 0) == want &&
                  gathered(k.below, rect, out, 0) == want)
          << cpu_tier_name(k.tier) << " " << rect.pairs << " pairs " << rect.cols << "x"
          << rect.rows;
    }
  }
}

}  // namespace
}  // namespace frameinterp
