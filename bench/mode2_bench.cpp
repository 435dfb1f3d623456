// The whole mode-2 path at 1920 x 1080 I420 on real footage (cars_320x240
// enlarged 6 times and cropped): one frame injection with its estimation and
// scene check, one synthesis, and a 24 -> 60 frames-per-second conversion
// through the session with the session's peak heap.
#include <benchmark/benchmark.h>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frameinterpimpl.h"
#include "markdown_reporter.h"
#include "motion/copy_planes.h"
#include "motion/interpolation.h"
#include "motion/mi_context.h"
#include "motion/working_frame.h"
#include "motion_fixture.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "synthetic_planes.h"
#include "y4m_reader.h"

namespace frameinterp::bench {
namespace {

using testing::Plane;

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int32_t kFrames = 30;
constexpr char kLabel[] = "cars_320x240 x6, 1920 x 1080 I420";

// The rows [top, top + rows) of a plane enlarged `factor` times.
Plane enlarged_rows(const Plane& in, int32_t factor, int32_t top, int32_t rows) {
  const Plane big = testing::upscale(in, factor);
  Plane out(big.width, rows, big.width);
  std::memcpy(out.data(), big.data() + static_cast<size_t>(top) * big.stride, out.px.size());
  return out;
}

// The clip's frames as full-HD host pictures, read once.
const std::vector<std::shared_ptr<standin::CpuBuffer>>& pictures() {
  static const auto all = [] {
    std::vector<std::shared_ptr<standin::CpuBuffer>> out;
    const auto clip = testing::read_y4m(
        std::string(FRAMEINTERP_TESTDATA_DIR) + "/clips/cars_320x240_30fps.y4m", kFrames);
    for (const auto& frame : clip.frames) {
      const size_t luma = 320 * 240, chroma = 160 * 120;
      Plane y(320, 240, 320), u(160, 120, 160), v(160, 120, 160);
      std::memcpy(y.data(), frame.data(), luma);
      std::memcpy(u.data(), frame.data() + luma, chroma);
      std::memcpy(v.data(), frame.data() + luma + chroma, chroma);
      const Plane planes[3] = {enlarged_rows(y, 6, 180, kHeight),
                               enlarged_rows(u, 6, 90, kHeight / 2),
                               enlarged_rows(v, 6, 90, kHeight / 2)};
      auto picture = standin::MakePicture(1, kWidth, kHeight);
      for (int p = 0; p < 3; ++p) std::memcpy(picture->plane(p), planes[p].data(), planes[p].px.size());
      out.push_back(std::move(picture));
    }
    return out;
  }();
  return all;
}

// The clip in working frames, as the motion source holds them.
struct WorkingFrames {
  std::vector<MIFrame> frames;
  WorkingFrames() {
    WorkingLayout layout;
    working_layout(1, kWidth, kHeight, &layout);
    for (size_t i = 0; i < pictures().size(); ++i) {
      MIFrame f = empty_frame();
      allocate_planes(&f, 1, kWidth, kHeight, layout);
      f.pts = static_cast<int64_t>(i) * 416'666;
      uint8_t* planes[8] = {};
      int32_t strides[8] = {};
      pictures()[i]->Lock(planes, strides, 0, 0);
      copy_planes(1, kHeight, planes, strides, f.data, f.linesize);
      pictures()[i]->Unlock();
      frames.push_back(f);
    }
  }
  ~WorkingFrames() {
    for (MIFrame& f : frames) free_planes(&f);
  }
};

// A context configured as the motion source configures it.
std::shared_ptr<MIContext> source_context() {
  auto ctx = testing::make_context();
  reset_input(ctx, 3, kWidth, kHeight, 1, 1, 8);
  return ctx;
}

// What the source does per upstream frame: injection, then the scene check.
void push(const std::shared_ptr<MIContext>& ctx, MIFrame* frame) {
  inject_frame(ctx, frame);
  if (ctx->frames[1].frame) ctx->scene_cut = check_scene_cut(ctx) ? 1 : 0;
}

void BM_InjectedFrame(benchmark::State& state) {
  if (pictures().size() < kFrames) return state.SkipWithError("footage missing");
  WorkingFrames clip;
  auto ctx = source_context();
  for (int i = 0; i < 3; ++i) push(ctx, &clip.frames[static_cast<size_t>(i)]);
  size_t next = 3;
  for (auto _ : state) {
    push(ctx, &clip.frames[next]);
    next = (next + 1) % clip.frames.size();
  }
  state.SetLabel(kLabel);
  destroy(ctx);
}
BENCHMARK(BM_InjectedFrame)->Name("mode 2: per injected frame")->Unit(benchmark::kMillisecond);

void BM_SynthesisedFrame(benchmark::State& state) {
  if (pictures().size() < kFrames) return state.SkipWithError("footage missing");
  WorkingFrames clip;
  auto ctx = source_context();
  for (int i = 0; i < 4; ++i) push(ctx, &clip.frames[static_cast<size_t>(i)]);
  WorkingLayout layout;
  working_layout(1, kWidth, kHeight, &layout);
  MIFrame out = empty_frame();
  allocate_planes(&out, 1, kWidth, kHeight, layout);
  const int64_t start = clip.frames[1].pts, span = clip.frames[2].pts - start;
  out.pts = start + span / 2;
  synthesize_frame(ctx, &out);  // the first touch of the candidate buffers is not timed
  int64_t k = 1;
  for (auto _ : state) {
    out.pts = start + span * k / 5;  // 0.2, 0.4, 0.6, 0.8 of the interval
    synthesize_frame(ctx, &out);
    benchmark::ClobberMemory();
    k = k % 4 + 1;
  }
  state.SetLabel(kLabel);
  free_planes(&out);
  destroy(ctx);
}
BENCHMARK(BM_SynthesisedFrame)
    ->Name("mode 2: per synthesised frame")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);

// Heap bytes in use and the process's peak resident size in bytes; 0 where
// the C library does not tell.
size_t heap_in_use() {
#if defined(__GLIBC__)
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#else
  return 0;
#endif
}

size_t peak_resident() {
#if defined(__GLIBC__)
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) << 10;
#else
  return 0;
#endif
}

// 24 fps upstream, requests at 60 fps through the session, the clip's 75
// output times over and over (the jump back to the start seeks and restarts).
void BM_SessionOutputFrame(benchmark::State& state) {
  if (pictures().size() < kFrames) return state.SkipWithError("footage missing");
  std::vector<standin::ScriptedFrame> frames;
  for (int i = 0; i < kFrames; ++i) {
    frames.push_back({i * int64_t{416'666}, 416'666, pictures()[static_cast<size_t>(i)], false});
  }
  const size_t baseline = heap_in_use();
  size_t peak = 0;
  int64_t requests = 0;
  size_t restarts = 0;
  {
    standin::LogCapture log;
    auto provider = std::make_shared<standin::ScriptedProvider>(FrameRate{24, 1}, frames);
    FrameInterpImpl session;
    session.SetProvider(provider);
    session.SetMode(2);
    constexpr int64_t kOutputs = kFrames * 60 / 24;
    int64_t k = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(session.GetFrame(k * kTicksPerSecond / 60, 0));
      peak = std::max(peak, heap_in_use());
      k = (k + 1) % kOutputs;
      ++requests;
    }
    for (const standin::LogLine& line : log.lines()) {
      restarts += line.text.rfind("*******************FrameSourceImpl::GetFrame", 0) == 0;
    }
  }
  char label[200];
  std::snprintf(label, sizeof label,
                "%s, %zu restarts in %lld requests, session peak heap %zu MB, process peak RSS %zu MB",
                kLabel, restarts, static_cast<long long>(requests), (peak - baseline) >> 20,
                peak_resident() >> 20);
  state.SetLabel(label);
}
BENCHMARK(BM_SessionOutputFrame)
    ->Name("mode 2: per output frame, 24 -> 60 fps through the session")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(10);

}  // namespace
}  // namespace frameinterp::bench

int main(int argc, char** argv) {
  standin::SetLogThreshold(4);  // only the per-request lines, captured by the session benchmark
  return frameinterp::bench::RunWithMarkdown(argc, argv);
}
