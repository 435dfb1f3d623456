// Mode 2 on every tier this processor runs, at 640 x 360, 1280 x 720,
// 1920 x 1080 and 3840 x 2160 I420, on real footage (cars_320x240 enlarged and
// cropped) and on synthetic content (blurred noise panning 3 and 2 pixels per
// frame): one injection (window shift, bilateral estimation, scene check),
// one synthesis, and the session's answer per output frame of a 24 -> 60
// frames-per-second conversion (restarts included) with its peak heap. The
// summary gives each tier's speed-up over the plain reference tier and the
// time per output frame in units of one plain 1080p I420 frame copy, all
// measured in the same run.
#include <benchmark/benchmark.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frameinterpimpl.h"
#include "motion/copy_planes.h"
#include "motion/inject_frame.h"
#include "motion/scene_cut.h"
#include "motion/synthesize_frame.h"
#include "motion/kernels/motion_kernels.h"
#include "motion/working_frame.h"
#include "motion_fixture.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "kernel_tiers.h"
#include "summary_reporter.h"
#include "synthetic_planes.h"
#include "upscale.h"
#include "y4m_clip.h"

namespace frameinterp::bench {
namespace {

using testing::Plane;

struct Size {
  int32_t width, height;
  const char* name;
};
constexpr Size kSizes[] = {{640, 360, "640x360"},
                           {1280, 720, "1280x720"},
                           {1920, 1080, "1920x1080"},
                           {3840, 2160, "3840x2160"}};
// The last, footage as 4-byte pixels, has output rows at 1080p and 4K only.
constexpr const char* kContents[] = {"footage", "synthetic", "footage-4byte"};
constexpr int kPackedContent = 2;
constexpr int kFrames = 12;
constexpr int64_t kInputStep = 416'666;  // 24 frames per second

// The rows and columns of `in` from (x0, y0), w x h of them.
Plane crop(const Plane& in, int32_t x0, int32_t y0, int32_t w, int32_t h) {
  Plane out(w, h, w);
  for (int32_t y = 0; y < h; ++y) {
    std::memcpy(out.data() + static_cast<size_t>(y) * w,
                in.data() + static_cast<size_t>(y0 + y) * in.stride + x0, static_cast<size_t>(w));
  }
  return out;
}

std::shared_ptr<standin::CpuBuffer> picture_of(const Plane planes[3], const Size& size) {
  auto picture = standin::MakePicture(1, static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height));
  for (int p = 0; p < 3; ++p) std::memcpy(picture->plane(p), planes[p].data(), planes[p].px.size());
  return picture;
}

// An I420 picture of the size as 4-byte pixels (format 20): each pixel's Y,
// U, V and 255.
std::shared_ptr<standin::CpuBuffer> packed_picture_of(standin::CpuBuffer& i420, const Size& size) {
  auto picture = standin::MakePicture(20, static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height));
  const auto w = static_cast<size_t>(size.width);
  for (size_t y = 0; y < static_cast<size_t>(size.height); ++y) {
    const uint8_t* luma = i420.plane(0) + y * w;
    const uint8_t* u = i420.plane(1) + y / 2 * (w / 2);
    const uint8_t* v = i420.plane(2) + y / 2 * (w / 2);
    uint8_t* px = picture->plane(0) + y * 4 * w;
    for (size_t x = 0; x < w; ++x, px += 4) {
      px[0] = luma[x];
      px[1] = u[x / 2];
      px[2] = v[x / 2];
      px[3] = 255;
    }
  }
  return picture;
}

// The clip's frames at a size, made once.
const std::vector<std::shared_ptr<standin::CpuBuffer>>& pictures(const Size& size, int content) {
  static std::map<std::pair<const char*, int>, std::vector<std::shared_ptr<standin::CpuBuffer>>> made;
  auto& out = made[{size.name, content}];
  if (!out.empty()) return out;
  const int32_t cw = size.width / 2, ch = size.height / 2;
  if (content == 0) {
    const auto clip = fitool::Y4mClip::Open(
        std::string(FRAMEINTERP_TESTDATA_DIR) + "/clips/cars_320x240_30fps.y4m",
        fitool::Y4mClip::Access::kRandom);
    const int32_t factor = std::max((size.width + 319) / 320, (size.height + 239) / 240);
    for (int64_t i = 0; i < kFrames; ++i) {
      const fitool::Picture frame = clip->Frame(i);
      Plane y(320, 240, 320), u(160, 120, 160), v(160, 120, 160);
      y.px = frame.y;
      u.px = frame.u;
      v.px = frame.v;
      const Plane big_y = testing::upscale(y, factor), big_u = testing::upscale(u, factor),
                  big_v = testing::upscale(v, factor);
      const int32_t x0 = (big_y.width - size.width) / 4 * 2, y0 = (big_y.height - size.height) / 4 * 2;
      const Plane planes[3] = {crop(big_y, x0, y0, size.width, size.height),
                               crop(big_u, x0 / 2, y0 / 2, cw, ch), crop(big_v, x0 / 2, y0 / 2, cw, ch)};
      out.push_back(picture_of(planes, size));
    }
  } else if (content == 2) {
    // The footage's frames as 4-byte pixels.
    for (const auto& picture : pictures(size, 0)) out.push_back(packed_picture_of(*picture, size));
  } else {
    const Plane luma = testing::smooth_texture(size.width + 64, size.height + 64, size.width + 64);
    const Plane chroma = testing::smooth_texture(cw + 32, ch + 32, cw + 32);
    for (int k = 0; k < kFrames; ++k) {
      const int32_t dx = 3 * k % 64, dy = 2 * k % 64;
      const Plane planes[3] = {crop(luma, dx, dy, size.width, size.height),
                               crop(chroma, dx / 2, dy / 2, cw, ch), crop(chroma, 16 - dx / 4, dy / 2, cw, ch)};
      out.push_back(picture_of(planes, size));
    }
  }
  return out;
}

// The clip in working frames, as the motion source holds them.
struct WorkingFrames {
  std::vector<MIFrame> frames;
  WorkingFrames(const Size& size, int content) {
    WorkingLayout layout;
    working_layout(1, size.width, size.height, &layout);
    for (size_t i = 0; i < pictures(size, content).size(); ++i) {
      MIFrame f = empty_frame();
      allocate_planes(&f, 1, size.width, size.height, layout);
      f.pts = static_cast<int64_t>(i) * kInputStep;
      uint8_t* planes[8] = {};
      int32_t strides[8] = {};
      const auto& picture = pictures(size, content)[i];
      picture->Lock(planes, strides, 0, 0);
      copy_planes(1, size.height, planes, strides, f.data, f.linesize);
      picture->Unlock();
      frames.push_back(f);
    }
  }
  ~WorkingFrames() {
    for (MIFrame& f : frames) free_planes(&f);
  }
};

// A context configured as the motion source configures it.
std::shared_ptr<MIContext> source_context(const Size& size) {
  auto ctx = testing::make_context();
  ctx->format = 1;
  reset_input(ctx, 3, size.width, size.height, 1, 1, 8);
  return ctx;
}

// What the source does per upstream frame: injection, then the scene check.
void push(const std::shared_ptr<MIContext>& ctx, MIFrame* frame) {
  inject_frame(ctx, frame);
  if (ctx->frames[1].frame) ctx->scene_cut = check_scene_cut(ctx) ? 1 : 0;
}

void Inject(benchmark::State& state, const Size& size, int content) {
  WorkingFrames clip(size, content);
  auto ctx = source_context(size);
  for (int i = 0; i < 3; ++i) push(ctx, &clip.frames[static_cast<size_t>(i)]);
  size_t next = 3;
  for (auto _ : state) {
    push(ctx, &clip.frames[next]);
    next = (next + 1) % clip.frames.size();
  }
  destroy(ctx);
}

void Synthesise(benchmark::State& state, const Size& size, int content) {
  WorkingFrames clip(size, content);
  auto ctx = source_context(size);
  for (int i = 0; i < 4; ++i) push(ctx, &clip.frames[static_cast<size_t>(i)]);
  WorkingLayout layout;
  working_layout(1, size.width, size.height, &layout);
  MIFrame out = empty_frame();
  allocate_planes(&out, 1, size.width, size.height, layout);
  const int64_t start = clip.frames[1].pts, span = clip.frames[2].pts - start;
  int64_t k = 1;
  for (auto _ : state) {
    out.pts = start + span * k / 5;  // 0.2, 0.4, 0.6, 0.8 of the interval
    synthesize_frame(ctx, &out);
    benchmark::ClobberMemory();
    k = k % 4 + 1;
  }
  free_planes(&out);
  destroy(ctx);
}

// Heap bytes in use; 0 where the C library does not tell.
size_t heap_in_use() {
#if defined(__GLIBC__)
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#else
  return 0;
#endif
}

// Requests at 60 fps over the clip at 24 fps, over and over (the jump back to
// the start restarts the window); the session's peak heap above what was in
// use before it was made.
// Requests at the times time_of(k), k = 0, 1, ..., to one session over the
// clip served at 24 fps, with the session's peak heap.
template <class TimeOf>
void RequestSession(benchmark::State& state, const Size& size, int content, TimeOf time_of) {
  std::vector<standin::ScriptedFrame> frames;
  for (int i = 0; i < kFrames; ++i) {
    frames.push_back({i * kInputStep, kInputStep, pictures(size, content)[static_cast<size_t>(i)], false});
  }
  const size_t baseline = heap_in_use();
  size_t peak = 0;
  {
    auto provider = std::make_shared<standin::ScriptedProvider>(FrameRate{24, 1}, frames);
    FrameInterpImpl session;
    session.SetProvider(provider);
    session.SetMode(2);
    int64_t k = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(session.GetFrame(time_of(k++), 0));
      peak = std::max(peak, heap_in_use());
    }
  }
  state.counters["heap_mb"] = static_cast<double>(peak - std::min(peak, baseline)) / (1 << 20);
}

// One output frame of a 24 -> 60 fps conversion, the clip converted again and
// again.
void OutputFrame(benchmark::State& state, const Size& size, int content) {
  constexpr int64_t kOutputs = kFrames * 60 / 24;
  RequestSession(state, size, content, [](int64_t k) { return k % kOutputs * kTicksPerSecond / 60; });
}

// A request that restarts the window, as an editor jumping on the timeline:
// between input frames 2 and 3, then 8 and 9, and so on, each far outside the
// window the one before left (fetch, four pushes, one estimation, the scene
// checks and the synthesis).
void Restart(benchmark::State& state, const Size& size, int content) {
  RequestSession(state, size, content, [](int64_t k) {
    return k % 2 == 0 ? 2 * kInputStep + kInputStep * 2 / 5 : 8 * kInputStep + kInputStep * 3 / 5;
  });
}

void FrameCopy(benchmark::State& state) {
  std::vector<uint8_t> from(1920 * 1080 * 3 / 2, 7), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
}

std::string Name(const char* what, const Size& size, int content, CpuTier tier) {
  char name[96];
  std::snprintf(name, sizeof name, "%s/%s/%s/%s", what, size.name, kContents[content], cpu_tier_name(tier));
  return name;
}

void Summarize(const Results& results) {
  const auto seconds = [&](const std::string& name) {
    const auto found = results.find(name);
    return found == results.end() ? 0.0 : found->second.seconds;
  };
  const double copy = seconds("frame copy 1920x1080 I420");
  const CpuTier best = detected_cpu_tier();
  std::vector<std::string> header = {"Size", "Content"};
  char text[64];
  for (const CpuTier tier : RunnableTiers()) {
    std::snprintf(text, sizeof text, "output %s ms", cpu_tier_name(tier));
    header.push_back(text);
  }
  std::snprintf(text, sizeof text, "%s speed-up", cpu_tier_name(best));
  header.insert(header.end(), {text, "output / copy", "injection ms", "synthesis ms", "restart ms", "session heap MB"});
  std::vector<std::vector<std::string>> rows;
  for (const Size& size : kSizes) {
    for (int content = 0; content < 2; ++content) {
      std::vector<std::string> row = {size.name, kContents[content]};
      for (const CpuTier tier : RunnableTiers()) row.push_back(Figure(1e3 * seconds(Name("output", size, content, tier)), 2));
      const double c = seconds(Name("output", size, content, CpuTier::kC));
      const double top = seconds(Name("output", size, content, best));
      row.push_back(top > 0 ? Figure(c / top, 1) + "x" : "-");
      row.push_back(copy > 0 && top > 0 ? Figure(top / copy, 0) : "-");
      row.push_back(Figure(1e3 * seconds(Name("injection", size, content, best)), 2));
      row.push_back(Figure(1e3 * seconds(Name("synthesis", size, content, best)), 2));
      row.push_back(Figure(1e3 * seconds(Name("restart", size, content, best)), 2));
      const auto found = results.find(Name("output", size, content, best));
      row.push_back(found == results.end() ? "-" : Figure(found->second.counters.at("heap_mb"), 1));
      rows.push_back(row);
    }
  }
  std::printf("Time per output frame of 24 -> 60 fps through the session; injection, synthesis and\n"
              "a request that restarts the window on the %s tier; one plain 1080p I420 frame copy\n"
              "took %.3f ms.\n\n",
              cpu_tier_name(best), 1e3 * copy);
  PrintTable(header, rows);

  std::printf("\nThe footage as 4-byte pixels (format 20), %s tier:\n\n", cpu_tier_name(best));
  std::vector<std::vector<std::string>> packed;
  for (const Size& size : kSizes) {
    const auto found = results.find(Name("output", size, kPackedContent, best));
    if (found == results.end()) continue;
    packed.push_back({size.name, Figure(1e3 * found->second.seconds, 2), Figure(found->second.counters.at("heap_mb"), 1)});
  }
  PrintTable({"Size", "output ms", "session heap MB"}, packed);
}

}  // namespace
}  // namespace frameinterp::bench

int main(int argc, char** argv) {
  using namespace frameinterp;
  using namespace frameinterp::bench;
  standin::SetLogThreshold(5);
  benchmark::RegisterBenchmark("frame copy 1920x1080 I420", FrameCopy)->Unit(benchmark::kMillisecond);
  using Body = void (*)(benchmark::State&, const Size&, int);
  const std::pair<const char*, Body> kinds[] = {
      {"injection", Inject}, {"synthesis", Synthesise}, {"output", OutputFrame}, {"restart", Restart}};
  for (const auto& [what, body] : kinds) {
    for (const Size& size : kSizes) {
      for (int content = 0; content < 3; ++content) {
        for (const CpuTier tier : RunnableTiers()) {
          const bool packed_row = std::string(what) == "output" && size.width >= 1920 &&
                                  tier == detected_cpu_tier();
          if (content == kPackedContent && !packed_row) continue;
          auto* row = benchmark::RegisterBenchmark(Name(what, size, content, tier).c_str(),
                                       [body = body, size, content, tier](benchmark::State& state) {
                                         if (pictures(size, content).size() < kFrames) {
                                           return state.SkipWithError("footage missing");
                                         }
                                         use_motion_kernel_tier(tier);
                                         body(state, size, content);
                                       });
          row->Unit(benchmark::kMillisecond);
          // A 4-byte session's first request allocates and first touches
          // 237 MB at 4K, a second's worth of page faults: enough requests
          // after it that they weigh as its share of the clip would.
          if (content == kPackedContent) row->MinTime(5);
        }
      }
    }
  }
  return RunAndSummarize(argc, argv, Summarize);
}
