#include "conversion.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "conversion_schedule.h"
#include "frame_snapshot.h"
#include "frame_store.h"
#include "host_environment.h"
#include "module_pass.h"
#include "parallel_pass.h"
#include "platform.h"
#include "staged_output.h"
#include "tool_error.h"
#include "y4m_clip.h"
#include "y4m_writer.h"

namespace fitool {
namespace {

// The output a part of a parallel conversion holds at least, so that handing
// parts over costs little beside converting them.
constexpr int64_t kPartBytes = int64_t{64} << 20;
constexpr int kMostDefaultSessions = 16;

int SessionsFor(const Options& options) {
  return options.threads > 0 ? options.threads
                             : std::min(UsableProcessors(), kMostDefaultSessions);
}

}  // namespace

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
  if (options.segment && !clip->seekable()) {
    throw UsageError("--segment needs an input file, which it reads from where its run begins; " +
                     clip->name() + " is read once, from its start");
  }
  const int sessions = SessionsFor(options);
  const bool parallel = sessions > 1 || options.segment;
  std::optional<FrameStore> store;
  if (parallel) store.emplace(*clip, sessions + 1);
  ConversionSchedule schedule(*clip, output_rate, store ? &*store : nullptr);
  const RequestPlan plan = schedule.Plan();
  OutputRun run{0, plan.total};
  if (options.segment) run = SegmentOf(*options.segment, *plan.total);
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
    if (run.end) snapshot->CheckWithin(*run.end, run.first);
  }

  StagedOutput output(options.output);
  Y4mWriter writer(output, header.LineWithRate(output_rate), header.width, header.height);
  const auto write = [&](int64_t k, int64_t time, const Picture& picture) {
    writer.WriteFrame(picture);
    if (!snapshot || !snapshot->Wants(k)) return;
    if (parallel) {
      snapshot->KeepAnswer(mode, picture);  // its inputs kept by the session's thread
    } else {
      snapshot->Keep(mode, time, picture, *clip, header.rate);
    }
  };
  RequestCounts counts;
  if (!parallel) {
    counts = RunModulePass(options, *clip, header.rate, mode, plan, write);
  } else {
    const int64_t part_requests =
        std::max<int64_t>(1, kPartBytes / static_cast<int64_t>(header.FrameBytes()));
    counts = RunParallelConversion(
        options, *store, header.rate, mode, plan, run, sessions, part_requests, write,
        [&](int64_t k, int64_t time, FrameSequence& upstream) {
          if (snapshot && snapshot->Wants(k)) snapshot->KeepInputs(time, upstream, header.rate);
        });
  }
  writer.WriteHeader();
  const std::string snapshot_name =
      snapshot ? snapshot->Write(run.first + counts.frames, nullptr, run.first) : "";
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
  const std::string part =
      options.segment ? ", run " + std::to_string(options.segment->k) + " of " +
                            std::to_string(options.segment->n)
                      : "";
  std::fprintf(stderr,
               "frameinterp: %s written to %s (%s, %s from %s%s) in %.2f s, %.1f fps; the module's "
               "GetFrame took %.2f ms of processor time per frame%s\n",
               FrameCount(counts.frames).c_str(), output.name().c_str(), ModeName(mode),
               RateText(output_rate).c_str(), RateText(header.rate).c_str(), part.c_str(), seconds,
               seconds > 0 ? static_cast<double>(counts.frames) / seconds : 0.0,
               ProcessorMillisecondsPerFrame(counts), repeats.c_str());
  if (snapshot) {
    std::fprintf(stderr, "frameinterp: snapshot of output frame %lld written to %s\n",
                 static_cast<long long>(*options.snapshot_frame), snapshot_name.c_str());
  }
}

}  // namespace fitool
