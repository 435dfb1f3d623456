// Baseline speed of motion estimation on 1920 x 1080 luma planes: each
// candidate cost per call at block size 16, and one bilateral estimation pass
// (predictive search, range 32, 120 x 67 blocks) per frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "markdown_reporter.h"
#include "motion/me_costs.h"
#include "motion/mi_context.h"
#include "motion/search_block.h"
#include "standin/log_control.h"
#include "synthetic_planes.h"
#include "y4m_reader.h"

namespace frameinterp::bench {
namespace {

using testing::Plane;

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

struct FramePair {
  Plane cur, ref;
  std::string label;
};

// Inputs by benchmark argument: 0 real footage, 1 synthetic.
const FramePair& frame_pair(int64_t which) {
  static const FramePair real = [] {
    // Two consecutive 480 x 270 frames of a camera pan, enlarged 4 times.
    const testing::Y4MLuma clip = testing::read_y4m_luma(
        std::string(FRAMEINTERP_TESTDATA_DIR) + "/clips/park_joy_480x270_50fps_10f.y4m", 2);
    if (clip.frames.size() < 2) {
      return FramePair{};
    }
    return FramePair{testing::upscale(testing::from_luma(clip.frames[0], 480, 270), 4),
                     testing::upscale(testing::from_luma(clip.frames[1], 480, 270), 4),
                     "park_joy x4"};
  }();
  static const FramePair synthetic = [] {
    Plane texture = testing::smooth_texture(kWidth, kHeight, kWidth);
    Plane moved = testing::shifted(texture, 6, -4);
    return FramePair{std::move(texture), std::move(moved), "blurred noise, shift (6, -4)"};
  }();
  return which == 0 ? real : synthetic;
}

// Scores the block at every grid position in turn against a fixed vector, as
// a search pass would walk the picture.
template <MECostFn Cost>
void BM_Cost(benchmark::State& state) {
  const FramePair& pair = frame_pair(state.range(0));
  if (pair.cur.px.empty()) {
    state.SkipWithError("footage missing");
    return;
  }
  MEContext me;
  init_estimator(&me, 16, 32, kWidth, kHeight, 0, 119 * 16, 0, 66 * 16);
  me.cur_plane = pair.cur.data();
  me.ref_plane = pair.ref.data();
  me.linesize = pair.cur.stride;
  int32_t block = 0;
  for (auto _ : state) {
    const int32_t x = (block % 118 + 1) * 16, y = (block / 118 % 65 + 1) * 16;
    benchmark::DoNotOptimize(Cost(&me, x, y, x + 3, y - 2));
    block = block + 1 == 118 * 65 ? 0 : block + 1;
  }
  state.SetLabel(pair.label);
}
BENCHMARK(BM_Cost<block_sad>)->Name("block_sad")->Arg(0)->Arg(1);
BENCHMARK(BM_Cost<overlapped_sad>)->Name("overlapped_sad")->Arg(0)->Arg(1);
BENCHMARK(BM_Cost<bilateral_sad>)->Name("bilateral_sad")->Arg(0)->Arg(1);
BENCHMARK(BM_Cost<bilateral_overlapped_sad>)->Name("bilateral_overlapped_sad")->Arg(0)->Arg(1);

// Every block of one frame, in raster order, as one injection runs them.
void BM_BilateralPass(benchmark::State& state) {
  const FramePair& pair = frame_pair(state.range(0));
  if (pair.cur.px.empty()) {
    state.SkipWithError("footage missing");
    return;
  }
  auto ctx = std::make_shared<MIContext>();
  ctx->me_mode = ME_MODE_BILAT;
  ctx->search_method = 8;
  ctx->block_size = 16;
  ctx->search_range = 32;
  ctx->scene_detect = 1;
  ctx->scene_threshold = 10.0;
  if (reset_input(ctx, 1, kWidth, kHeight, 0, 0, 8) != 0) {
    state.SkipWithError("reset_input failed");
    return;
  }
  ctx->estimator.cur_plane = pair.cur.data();
  ctx->estimator.ref_plane = pair.ref.data();
  ctx->estimator.linesize = pair.cur.stride;
  for (auto _ : state) {
    for (int32_t mb_y = 0; mb_y < ctx->blocks_y; ++mb_y) {
      for (int32_t mb_x = 0; mb_x < ctx->blocks_x; ++mb_x) {
        search_block(ctx, ctx->bilat_blocks, mb_x, mb_y, 0);
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetLabel(pair.label);
  destroy(ctx);
}
BENCHMARK(BM_BilateralPass)
    ->Name("bilateral pass, method 8, range 32, 120 x 67 blocks")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace frameinterp::bench

int main(int argc, char** argv) {
  standin::SetLogThreshold(2);  // keep the timing log lines out of the figures
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  frameinterp::bench::MarkdownReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
