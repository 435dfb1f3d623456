#include "conversion.h"

#include <cstdio>
#include <optional>

#include "frame_snapshot.h"
#include "frame_times.h"
#include "module_pass.h"
#include "tool_error.h"
#include "y4m_clip.h"
#include "y4m_writer.h"

namespace fitool {
namespace {

constexpr int64_t kMaxOutputFrames = 2147483647;

}  // namespace

void RunConversion(const Options& options) {
  const uint32_t mode = options.modes.empty() ? kModeMotion : options.modes[0];

  const std::unique_ptr<Y4mClip> clip = Y4mClip::Open(options.input);
  const Y4mHeader& header = clip->header();
  const Rational output_rate = options.fps ? *options.fps : DoubledRate(header.rate);
  if (const std::string problem = RateProblem(output_rate); !problem.empty()) {
    throw ToolError(clip->name() + ": the default output rate " + RateText(output_rate) + " " +
                    problem + "; choose one with -r");
  }
  if (!TimelineFits(header.rate, clip->count())) {
    throw ToolError(clip->name() + ": the clip is too long for the 100-ns time line");
  }
  const int64_t last_pts = FrameTime(clip->count() - 1, header.rate);
  // Refused before the schedule is built: at most one request fewer than
  // there are output frames.
  const auto output_frames =
      MulDivFloor(last_pts, output_rate.num, kTicksPerSecond * output_rate.den);
  if (!output_frames || *output_frames >= kMaxOutputFrames) {
    throw ToolError(clip->name() + ": the output rate " + RateText(output_rate) +
                    " would give more than " + std::to_string(kMaxOutputFrames) + " frames");
  }
  const std::vector<int64_t> times = RequestSchedule(output_rate, last_pts);
  std::optional<FrameSnapshot> snapshot;
  if (options.snapshot_frame) snapshot.emplace(*options.snapshot_frame, times);

  StagedOutput output(options.output);
  Y4mWriter writer(output, header.LineWithRate(output_rate), header.width, header.height);
  const RequestCounts counts = RunModulePass(
      options, *clip, header.rate, mode, times, [&](int64_t index, const Picture& picture) {
        writer.WriteFrame(picture);
        if (snapshot) snapshot->Offer(index, ModeName(mode), picture);
      });
  if (snapshot) snapshot->Write(options.snapshot_path, *clip, header.rate, nullptr);
  output.Commit();

  if (!options.quiet) {
    std::fprintf(stderr,
                 "frameinterp: %lld frames written to %s (%s, %s from %s), %lld repeats of empty "
                 "answers, %.3f ms per frame\n",
                 static_cast<long long>(counts.frames), output.name().c_str(),
                 ModeName(mode), RateText(output_rate).c_str(), RateText(header.rate).c_str(),
                 static_cast<long long>(counts.repeats), MillisecondsPerFrame(counts));
  }
}

}  // namespace fitool
