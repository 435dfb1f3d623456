#include "quality_run.h"

#include <cstdio>
#include <optional>

#include "frame_snapshot.h"
#include "module_pass.h"

namespace fitool {

std::vector<uint32_t> QualityModes(const Options& options) {
  if (!options.modes.empty()) return options.modes;
  return {kModeRepeat, kModeBlend, kModeMotion};
}

std::vector<ModeScore> RunQualityComparison(const Options& options,
                                            const std::vector<uint32_t>& modes,
                                            const QualitySubject& subject,
                                            const FrameSink& on_last_mode_frame) {
  const auto frames = static_cast<int64_t>(subject.times.size());
  std::optional<FrameSnapshot> snapshot;
  if (options.snapshot_frame) {
    snapshot.emplace(options);
    snapshot->CheckWithin(frames);
  }

  std::vector<ModeScore> scores;
  for (const uint32_t mode : modes) {
    ModeScore score;
    score.mode = mode;
    const bool last = mode == modes.back();
    const RequestCounts counts = RunModulePass(
        options, *subject.upstream, subject.rate, mode, PlanFrom(subject.times),
        [&](int64_t k, int64_t time, const Picture& answer) {
          if (subject.measured(k)) AddComparison(&score, answer, subject.truth(k));
          if (snapshot && snapshot->Wants(k)) {
            snapshot->Keep(mode, time, answer, *subject.upstream, subject.rate);
          }
          if (last && on_last_mode_frame) on_last_mode_frame(k, time, answer);
        });
    score.frames = counts.frames;
    score.repeats = counts.repeats;
    score.ms_per_frame = MillisecondsPerFrame(counts);
    scores.push_back(score);
  }

  // The report goes to stderr when stdout carries the video or the JSON.
  const bool stdout_taken =
      (options.output_given && options.output == "-") || options.json_path == "-";
  std::FILE* report = stdout_taken ? stderr : stdout;
  std::fprintf(report, "%s\n%s", subject.description.c_str(), FormatScoreTable(scores).c_str());
  std::fflush(report);
  if (!options.json_path.empty()) {
    const std::string name = WriteScoreJson(options.json_path, subject.description, scores);
    if (!options.quiet) std::fprintf(stderr, "frameinterp: scores written to %s\n", name.c_str());
  }
  if (snapshot) {
    const Picture truth = subject.truth(*options.snapshot_frame);
    const std::string name = snapshot->Write(frames, &truth);
    if (!options.quiet) {
      std::fprintf(stderr, "frameinterp: snapshot of output frame %lld written to %s\n",
                   static_cast<long long>(*options.snapshot_frame), name.c_str());
    }
  }
  return scores;
}

}  // namespace fitool
