// Every pixel kernel of the motion pipeline on every tier this processor runs,
// in nanoseconds per call, with each tier's speed-up over the plain reference
// measured in the same run. Inputs: blurred-noise planes of 1920 x 1080.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "motion/kernels/motion_kernels.h"
#include "kernel_tiers.h"
#include "summary_reporter.h"
#include "synthetic_planes.h"

namespace frameinterp::bench {
namespace {

using testing::Plane;

constexpr int32_t kWidth = 1920, kHeight = 1080;

const Plane& texture(int which) {
  static const Plane planes[2] = {testing::smooth_texture(kWidth, kHeight, kWidth),
                                  testing::shifted(testing::smooth_texture(kWidth, kHeight, kWidth), 3, 2)};
  return planes[which];
}

std::string Label(const char* format, int a, int b) {
  char text[80];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// One kernel call, on a tier's table, at a varying place of the planes.
using Call = std::function<void(const MotionKernels& k, int64_t i)>;

struct Kernel {
  std::string name;
  Call call;
};

std::vector<Kernel> kernels() {
  std::vector<Kernel> list;
  // Nearby places, as the candidates of one block search are.
  const auto place = [](int64_t i) {
    return static_cast<size_t>(500 + (i * 7) % 64) * kWidth + 900 + static_cast<size_t>((i * 13) % 64);
  };
  for (int32_t log2 = 2; log2 < kBlockSadSizes; ++log2) {
    const int32_t n = 1 << log2;
    list.push_back({Label("block_sad %dx%d", n, n),
                    [log2, place](const MotionKernels& k, int64_t i) {
                      const size_t at = place(i);
                      benchmark::DoNotOptimize(
                          k.block_sad[log2](texture(0).data() + at, texture(1).data() + at + 1, kWidth));
                    }});
  }
  list.push_back({"plane_sad 1920x1080", [](const MotionKernels& k, int64_t) {
                    benchmark::DoNotOptimize(
                        k.plane_sad(texture(0).data(), kWidth, texture(1).data(), kWidth, kWidth, kHeight));
                  }});
  static std::vector<uint32_t> sums(kWidth * 64), totals(kWidth * 64);
  static const std::vector<uint8_t> weights(64 * 64, 200);
  for (const int32_t step : {1, 2}) {
    const int32_t cols = step == 1 ? 32 : 16, rows = step == 1 ? 16 : 8;
    list.push_back({Label(step == 1 ? "accumulate_pairs %dx%d (luma window half)"
                                    : "accumulate_pairs %dx%d (chroma, every other weight)",
                          cols, rows),
                    [=](const MotionKernels& k, int64_t i) {
                      const size_t at = place(i);
                      PairRect rect{sums.data(), kWidth, step == 1 ? totals.data() : nullptr, kWidth,
                                    weights.data(), 64, step, texture(0).data() + at, kWidth,
                                    texture(1).data() + at, kWidth, cols, rows, 700, 324};
                      k.accumulate_pairs(rect);
                      benchmark::ClobberMemory();
                    }});
  }
  list.push_back({"resolve_row 1920", [](const MotionKernels& k, int64_t i) {
                    static std::vector<uint8_t> out(kWidth);
                    static const std::vector<uint32_t> resolve_totals(kWidth, 1 << 18);
                    const size_t at = static_cast<size_t>(i % 1000) * kWidth;
                    k.resolve_row(out.data(), sums.data(), resolve_totals.data(), 1, texture(0).data() + at,
                                  texture(1).data() + at, kWidth, 700, 324);
                    benchmark::ClobberMemory();
                  }});
  // A 16 x 16 cell of the bilateral gathering: four overlap windows (their
  // weights also as tiles, as whole cells have them), and its block's split
  // square as a fifth pair.
  for (const int32_t pairs : {4, 5, -4}) {
    const char* label = pairs > 0 ? "gather_pairs 16x16, %d pairs" : "gather_pairs 16x16, %d pairs as tiles";
    list.push_back({Label(label, pairs > 0 ? pairs : -pairs, 0), [=](const MotionKernels& k, int64_t i) {
                      static std::vector<uint8_t> out(16 * 16);
                      static WindowTiles tiles;
                      const size_t at = place(i);
                      GatherRect rect{out.data(), 16, texture(0).data() + at, texture(1).data() + at, kWidth,
                                      64, kWidth, 16, 16, pairs > 0 ? pairs : -pairs, {}, 324, 700, nullptr};
                      for (int32_t p = 0; p < rect.pairs; ++p) {
                        const size_t moved = at + static_cast<size_t>(p) * (kWidth + 3);
                        rect.pair[p] = {weights.data() + 8 * p, texture(0).data() + moved,
                                        texture(1).data() + moved + 2};
                      }
                      if (pairs < 0) {
                        static const bool made = make_window_tiles(rect, &tiles);
                        rect.tiles = made ? &tiles : nullptr;
                      }
                      k.gather_pairs(rect);
                      benchmark::ClobberMemory();
                    }});
  }
  return list;
}

std::string Name(const std::string& kernel, CpuTier tier) { return kernel + "/" + cpu_tier_name(tier); }

void Summarize(const Results& results) {
  std::vector<std::string> header = {"Kernel"};
  for (const CpuTier tier : RunnableTiers()) header.push_back(std::string(cpu_tier_name(tier)) + " ns");
  for (const CpuTier tier : RunnableTiers()) {
    if (tier != CpuTier::kC) header.push_back(std::string(cpu_tier_name(tier)) + " speed-up");
  }
  std::vector<std::vector<std::string>> rows;
  for (const Kernel& kernel : kernels()) {
    std::vector<std::string> row = {kernel.name};
    const auto ns = [&](CpuTier tier) {
      const auto found = results.find(Name(kernel.name, tier));
      return found == results.end() ? 0.0 : found->second.seconds * 1e9;
    };
    for (const CpuTier tier : RunnableTiers()) row.push_back(Figure(ns(tier)));
    for (const CpuTier tier : RunnableTiers()) {
      if (tier != CpuTier::kC) row.push_back(ns(tier) > 0 ? Figure(ns(CpuTier::kC) / ns(tier), 2) + "x" : "-");
    }
    rows.push_back(row);
  }
  PrintTable(header, rows);
}

}  // namespace
}  // namespace frameinterp::bench

int main(int argc, char** argv) {
  using namespace frameinterp;
  using namespace frameinterp::bench;
  for (const Kernel& kernel : kernels()) {
    for (const CpuTier tier : RunnableTiers()) {
      benchmark::RegisterBenchmark(Name(kernel.name, tier).c_str(), [kernel, tier](benchmark::State& state) {
        const MotionKernels k = kernels_for_tier(tier);
        int64_t i = 0;
        for (auto _ : state) kernel.call(k, i++);
      })->Unit(benchmark::kNanosecond);
    }
  }
  return RunAndSummarize(argc, argv, Summarize);
}
