// Speed of the harness's quality tools: rendering one picture of the
// synthetic scene, PSNR and SSIM at the scene's size and at 1920 x 1080, and
// writing a four-panel snapshot.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "markdown_reporter.h"
#include "quality/metrics.h"
#include "quality/snapshot.h"
#include "quality/synthetic_scene.h"
#include "synthetic_planes.h"

namespace frameinterp::bench {
namespace {

using fitool::Picture;

// Two pictures of the given size: blurred noise and the same moved by (3, 2).
std::pair<Picture, Picture> PicturePair(int width, int height) {
  const testing::Plane texture = testing::smooth_texture(width, height, width);
  std::pair<Picture, Picture> pair{Picture::Filled(width, height, 0, 128),
                                   Picture::Filled(width, height, 0, 128)};
  pair.first.y = texture.px;
  pair.second.y = testing::shifted(texture, 3, 2).px;
  return pair;
}

void BM_SceneRender(benchmark::State& state) {
  const fitool::SyntheticScene scene;
  int frame = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(scene.Render(static_cast<double>(frame) / 24));
    frame = (frame + 1) % scene.frame_count();
  }
  state.SetLabel("320 x 180, all 48 frames in turn");
}
BENCHMARK(BM_SceneRender)->Name("synthetic scene, one picture")->Unit(benchmark::kMillisecond);

template <double (*Metric)(const Picture&, const Picture&)>
void BM_Metric(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto [a, b] = PicturePair(width, height);
  for (auto _ : state) benchmark::DoNotOptimize(Metric(a, b));
  state.SetLabel(std::to_string(width) + " x " + std::to_string(height));
}
BENCHMARK(BM_Metric<fitool::PsnrAll>)
    ->Name("PsnrAll")
    ->Args({320, 180})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Metric<fitool::SsimY>)
    ->Name("SsimY")
    ->Args({320, 180})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

void BM_Snapshot(benchmark::State& state) {
  const auto [a, b] = PicturePair(320, 180);
  std::FILE* file = std::tmpfile();
  std::string error;
  for (auto _ : state) {
    std::rewind(file);
    if (!fitool::WriteSnapshot(file,
                               {{{{"previous"}, &a}, {{"output"}, &b}, {{"next"}, &a}},
                                {{}, {{"error"}, &b, &a}}},
                               &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  std::fclose(file);
  state.SetLabel("3 panels of 320 x 180 and an error map");
}
BENCHMARK(BM_Snapshot)->Name("snapshot PNG")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace frameinterp::bench

int main(int argc, char** argv) {
  return frameinterp::bench::RunWithMarkdown(argc, argv);
}
