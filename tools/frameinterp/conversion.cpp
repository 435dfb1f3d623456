#include "conversion.h"

#include <cstdio>

#include "clip_provider.h"
#include "frame_times.h"
#include "module_session.h"
#include "platform.h"
#include "progress_meter.h"
#include "request_loop.h"
#include "y4m_clip.h"
#include "y4m_writer.h"

namespace fitool {

void RunConversion(const Options& options) {
  if (options.modes.size() > 1) throw UsageError("a conversion takes one mode");
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
  const std::vector<int64_t> times =
      RequestSchedule(output_rate, FrameTime(clip->count() - 1, header.rate));

  const std::string module_path =
      options.module_path.empty() ? DefaultModulePath() : options.module_path;
  const std::unique_ptr<ModuleSession> module = ModuleSession::Open(module_path);
  module->Configure(std::make_shared<ClipProvider>(*clip, header.rate, options.pixel_format),
                    mode, options.gpu_effect);

  StagedOutput output(options.output);
  Y4mWriter writer(output, header.LineWithRate(output_rate), header.width, header.height);
  ProgressMeter progress(static_cast<int64_t>(times.size()), !options.quiet && IsTerminal(stderr));
  const RequestCounts counts =
      RequestFrames(module->session(), times, [&](int64_t index, const Picture& picture) {
        writer.WriteFrame(picture);
        progress.Update(index + 1);
      });
  progress.Finish();
  output.Commit();

  if (!options.quiet) {
    const double ms_per_frame =
        counts.frames > 0 ? 1000.0 * progress.ElapsedSeconds() / static_cast<double>(counts.frames)
                          : 0.0;
    std::fprintf(stderr,
                 "frameinterp: %lld frames written to %s (%s, %s from %s), %lld repeats of empty "
                 "answers, %.2f ms per frame\n",
                 static_cast<long long>(counts.frames), output.name().c_str(), ModeName(mode),
                 RateText(output_rate).c_str(), RateText(header.rate).c_str(),
                 static_cast<long long>(counts.repeats), ms_per_frame);
  }
}

}  // namespace fitool
