#include "conversion.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "conversion_schedule.h"
#include "frame_snapshot.h"
#include "host_environment.h"
#include "module_pass.h"
#include "platform.h"
#include "staged_output.h"
#include "tool_error.h"
#include "y4m_clip.h"
#include "y4m_writer.h"

namespace fitool {

void RunConversion(const Options& options) {
  if (!options.output_given && IsTerminal(stdout)) {
    throw UsageError(
        "no output given, and standard output is a terminal: write the video to a file with "
        "-o FILE, or to standard output all the same with -o -");
  }
  const auto start = std::chrono::steady_clock::now();
  const uint32_t mode = options.modes.empty() ? kModeMotion : options.modes[0];

  const std::unique_ptr<Y4mClip> clip = OpenProgramInput(options.input, Y4mClip::Access::kForward);
  const Y4mHeader& header = clip->header();
  const Rational output_rate = options.fps ? *options.fps : DoubledRate(header.rate);
  if (const std::string problem = RateProblem(output_rate); !problem.empty()) {
    throw ToolError(clip->name() + ": the default output rate " + RateText(output_rate) + " " +
                    problem + "; choose one with -r");
  }
  ConversionSchedule schedule(*clip, output_rate);
  const RequestPlan plan = schedule.Plan();
  if (options.verbosity >= 1) {
    const std::optional<int64_t> frames = clip->count();
    std::fprintf(stderr, "frameinterp: %s: %dx%d at %s, %s\n", clip->name().c_str(), header.width,
                 header.height, RateText(header.rate).c_str(),
                 frames ? FrameCount(*frames).c_str()
                        : "read as a stream (frames converted as they arrive)");
  }
  std::optional<FrameSnapshot> snapshot;
  if (options.snapshot_frame) {
    snapshot.emplace(options);
    if (plan.total) snapshot->CheckWithin(*plan.total);
  }

  StagedOutput output(options.output);
  Y4mWriter writer(output, header.LineWithRate(output_rate), header.width, header.height);
  const RequestCounts counts = RunModulePass(
      options, *clip, header.rate, mode, plan, [&](int64_t k, int64_t time, const Picture& picture) {
        writer.WriteFrame(picture);
        if (snapshot && snapshot->Wants(k)) snapshot->Keep(mode, time, picture, *clip, header.rate);
      });
  const std::string snapshot_name = snapshot ? snapshot->Write(counts.frames, nullptr) : "";
  output.Commit();

  if (options.quiet) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::string repeats;
  if (counts.repeats > 0) {
    repeats = "; " + std::to_string(counts.repeats) +
              (counts.repeats == 1 ? " empty answer" : " empty answers") +
              " repeated the previous frame";
  }
  if (const int64_t fallbacks = ModuleFallbacks(); fallbacks > 0) {
    repeats += "; " + std::to_string(fallbacks) + (fallbacks == 1 ? " answer was" : " answers were") +
               " the upstream frame, not synthesised";
  }
  // The pipeline's pace (reading, the module, writing, and whoever reads the
  // output) beside the module's own share of the processor.
  std::fprintf(stderr,
               "frameinterp: %s written to %s (%s, %s from %s) in %.2f s, %.1f fps; the module's "
               "GetFrame took %.2f ms of processor time per frame%s\n",
               FrameCount(counts.frames).c_str(), output.name().c_str(), ModeName(mode),
               RateText(output_rate).c_str(), RateText(header.rate).c_str(), seconds,
               seconds > 0 ? static_cast<double>(counts.frames) / seconds : 0.0,
               ProcessorMillisecondsPerFrame(counts), repeats.c_str());
  if (snapshot) {
    std::fprintf(stderr, "frameinterp: snapshot of output frame %lld written to %s\n",
                 static_cast<long long>(*options.snapshot_frame), snapshot_name.c_str());
  }
}

}  // namespace fitool
