// The kernel table against the kernels each tier names: at every tier each
// entry holds the newest kernel named for it, never the tier below's. Then
// every kernel new at a tier this processor runs (the C tier's once, each SIMD
// twin at its own tier) against its plain reference and the tier below's:
// random, extreme and real samples, every edge and length, odd strides and
// every alignment. The first differing result fails.
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

// Luma samples of real footage: two frames of a clip with motion, one after
// the other.
const std::vector<uint8_t>& footage() {
  static const std::vector<uint8_t> samples = [] {
    const auto clip = fitool::Y4mClip::Open(testing::TestdataPath("clips/cars_320x240_30fps.y4m"),
                                            fitool::Y4mClip::Access::kRandom);
    std::vector<uint8_t> v = clip->Frame(10).y;
    const std::vector<uint8_t> next = clip->Frame(11).y;
    v.insert(v.end(), next.begin(), next.end());
    return v;
  }();
  return samples;
}

// Bytes: random, all at one extreme (0 or 255), or real footage from any
// place, by `kind` 0, 1, 2, 3.
constexpr int kKinds = 4;
std::vector<uint8_t> bytes(size_t n, std::mt19937& rng, int kind) {
  if (kind == 3) {
    const auto from = footage().begin() + static_cast<ptrdiff_t>(rng() % (footage().size() - n));
    return {from, from + static_cast<ptrdiff_t>(n)};
  }
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) b = kind == 0 ? static_cast<uint8_t>(rng()) : kind == 1 ? 0 : 255;
  return v;
}

// The kind of the other operand: the other extreme, or alike.
int opposite(int kind) { return kind == 1 || kind == 2 ? 3 - kind : kind; }

TEST(Kernels, BlockSadOfEveryEdgeStrideAndAlignment) {
  std::mt19937 rng(1);
  for (int32_t log2 = 0; log2 < kBlockSadSizes; ++log2) {
    const int32_t n = 1 << log2;
    for (const auto& k : new_kernels([&](const MotionKernels& t) { return t.block_sad[log2]; })) {
      for (const ptrdiff_t stride : {ptrdiff_t{n}, ptrdiff_t{n} + 1, ptrdiff_t{67}, ptrdiff_t{1920}}) {
        for (int32_t offset = 0; offset < 32; offset += 3) {
          for (int kind = 0; kind < kKinds; ++kind) {
            const size_t size = static_cast<size_t>(offset + stride * n + 32);
            const auto av = bytes(size, rng, kind), bv = bytes(size, rng, opposite(kind));
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
        for (int kind = 0; kind < kKinds; ++kind) {
          const ptrdiff_t sa = static_cast<ptrdiff_t>(width) + 3, sb = static_cast<ptrdiff_t>(width) + 35;
          const int32_t offset = static_cast<int32_t>(rng() % 32);
          const auto av = bytes(static_cast<size_t>(sa * 3 + 40), rng, kind);
          const auto bv = bytes(static_cast<size_t>(sb * 3 + 40), rng, opposite(kind));
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

TEST(Kernels, StreamedRowsOfEveryLengthStrideAndAlignment) {
  std::mt19937 rng(7);
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.stream_rows; })) {
    for (int64_t width = 0; width <= 70; ++width) {
      for (const int64_t rows : {1, 3}) {
        // The whole destination, gaps between rows and margins included, is
        // compared: a row's stores stop at its bytes.
        const ptrdiff_t from_stride = static_cast<ptrdiff_t>(width) + 5;
        const ptrdiff_t to_stride = static_cast<ptrdiff_t>(width) + 1 + static_cast<ptrdiff_t>(rng() % 40);
        const auto src = bytes(static_cast<size_t>(from_stride * rows + 32), rng, static_cast<int>(rng() % kKinds));
        const size_t from = rng() % 16, to = rng() % 16;
        const auto run = [&](StreamRowsFn stream) {
          std::vector<uint8_t> dst(static_cast<size_t>(to_stride * rows) + 48, 7);
          stream(src.data() + from, from_stride, dst.data() + to, to_stride, width, rows);
          return dst;
        };
        const std::vector<uint8_t> want = run(stream_rows_c);
        ASSERT_TRUE(run(k.kernel) == want && run(k.below) == want)
            << cpu_tier_name(k.tier) << " " << width << " bytes x " << rows << " to +" << to;
      }
    }
  }
}

// Inputs of the weighted-sum kernels within their ranges: weights and samples
// random, extreme or footage, totals up to 16 x 255 x 1024 or 0, each sum up to 255 x
// the total of its sample (totals[i x total_step]).
struct SumInputs {
  std::vector<uint8_t> weights, s1, s2;
  std::vector<uint32_t> sums, totals;
  SumInputs(size_t n, std::mt19937& rng, int kind, size_t total_step = 1) {
    weights = bytes(n, rng, kind);
    s1 = bytes(n, rng, kind);
    s2 = bytes(n, rng, opposite(kind));
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
            const int kind = static_cast<int>(rng() % kKinds);
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
          for (int kind = 0; kind < kKinds; ++kind) {
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
          // Random, extreme (all weights 255 and samples 255), sparse
          // weights that leave many samples without a pair (the plain
          // blend), or footage.
          const int kind = static_cast<int>(rng() % kKinds);
          const int32_t rows = 1 + static_cast<int32_t>(rng() % 5);
          const ptrdiff_t stride = cols + static_cast<ptrdiff_t>(rng() % 5);
          const size_t size = static_cast<size_t>(stride * rows + 48);
          std::vector<std::vector<uint8_t>> planes;
          for (int32_t i = 0; i < 3 * pairs + 2; ++i) {
            planes.push_back(bytes(size, rng, kind == 1 ? 2 : kind == 3 ? 3 : 0));
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

// The weights of a whole cell's four windows as tiles, at every shape the
// tiles take: random weights, all 255 with all samples 255, or sparse ones
// that leave most positions to a single pair; the reference reads the rows.
TEST(Kernels, GatheredMeansFromWindowTilesOfEveryShape) {
  std::mt19937 rng(9);
  const std::pair<int32_t, int32_t> shapes[] = {{8, 4}, {8, 16}, {16, 2}, {16, 16}, {32, 8}, {64, 16}};
  for (const auto& k : new_kernels([](const MotionKernels& t) { return t.gather_pairs; })) {
    for (const auto& [cols, rows] : shapes) {
      for (const uint32_t alpha : {1u, 333u, 512u, 1023u}) {
        const int kind = static_cast<int>(rng() % kKinds);
        const ptrdiff_t stride = cols + static_cast<ptrdiff_t>(rng() % 5);
        const size_t size = static_cast<size_t>(stride * rows + 48);
        std::vector<std::vector<uint8_t>> planes;
        for (int32_t i = 0; i < 12; ++i) planes.push_back(bytes(size, rng, i % 3 == 0 && kind == 3 ? 0 : kind));
        for (int32_t i = 0; i < 12; i += 3) {
          for (size_t n = 0; n < size; ++n) {
            uint8_t& w = planes[i][n];
            if (kind == 2) w = (n + i / 3) % 4 == 0 ? static_cast<uint8_t>(1 + rng() % 255) : 0;
            if (kind == 1) w = 255;
            if (i == 9 && w == 0 && kind != 2) w = 1;  // every position weighs something
          }
        }
        GatherRect rect{};
        rect.cols = cols;
        rect.rows = rows;
        rect.pairs = 4;
        rect.beta = 1024 - alpha;
        rect.alpha = alpha;
        for (int32_t p = 0; p < 4; ++p) {
          rect.pair[p] = {planes[3 * p].data(), planes[3 * p + 1].data() + rng() % 16, planes[3 * p + 2].data() + rng() % 16};
        }
        rect.weights_stride = stride;
        rect.samples_stride = stride + 1;
        rect.out_stride = stride + 3;
        rect.own_first = rect.own_second = planes[1].data();  // read, never used: every W > 0
        rect.own_stride = stride;
        static WindowTiles tiles;
        ASSERT_TRUE(make_window_tiles(rect, &tiles)) << cols << "x" << rows;
        const std::vector<uint8_t> out(size + 64, 7);
        const std::vector<uint8_t> want = gathered(gather_pairs_c, rect, out, 5);
        rect.tiles = &tiles;
        ASSERT_TRUE(gathered(k.kernel, rect, out, 5) == want && gathered(k.below, rect, out, 5) == want)
            << cpu_tier_name(k.tier) << " " << cols << "x" << rows << " kind " << kind << " alpha " << alpha;
      }
    }
  }
}

// Shapes the tiles do not cover, and a position without weight, are refused.
TEST(Kernels, WindowTilesRefuseOtherShapesAndWeightlessPositions) {
  const std::vector<uint8_t> ones(64 * 32, 1), zeros(64 * 32, 0);
  static WindowTiles tiles;
  const auto made = [&](int32_t cols, int32_t rows, const std::vector<uint8_t>& last, int32_t pairs) {
    GatherRect rect{};
    rect.cols = cols;
    rect.rows = rows;
    rect.pairs = pairs;
    for (int32_t p = 0; p < 4; ++p) rect.pair[p].weights = p == 3 ? last.data() : zeros.data();
    rect.weights_stride = 64;
    return make_window_tiles(rect, &tiles);
  };
  EXPECT_TRUE(made(64, 16, ones, 4));
  EXPECT_FALSE(made(64, 16, zeros, 4));
  EXPECT_FALSE(made(64, 16, ones, 5));
  EXPECT_FALSE(made(64, 32, ones, 4));  // more tiles than a cell has
  EXPECT_FALSE(made(8, 6, ones, 4));
  EXPECT_FALSE(made(16, 3, ones, 4));
  EXPECT_FALSE(made(24, 2, ones, 4));
  EXPECT_FALSE(made(4, 4, ones, 4));
}

// The truncated product with W's reciprocal is floor(m / W) for every m of a
// mean: it is monotone in m, so it suffices that each multiple k W gives k
// and the sample before it k - 1.
TEST(Kernels, WindowReciprocalsTruncateToTheQuotient) {
  for (uint32_t w = 1; w <= 1020; ++w) {
    const float r = window_reciprocal(w);
    for (uint32_t k = 0; k <= 256; ++k) {
      ASSERT_EQ(static_cast<uint32_t>(static_cast<float>(k * w) * r), k) << "W " << w;
      if (k > 0) {
        ASSERT_EQ(static_cast<uint32_t>(static_cast<float>(k * w - 1) * r), k - 1) << "W " << w;
      }
    }
  }
}

}  // namespace
}  // namespace frameinterp
