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

std::vector<ModeScore> RunQualityComparison(
    const Options& options, const std::vector<uint32_t>& modes, const QualitySubject& subject,
    const std::function<void(int64_t index, const Picture&)>& on_last_mode_frame) {
  std::optional<FrameSnapshot> snapshot;
  if (options.snapshot_frame) snapshot.emplace(*options.snapshot_frame, subject.times);

  std::vector<ModeScore> scores;
  for (const uint32_t mode : modes) {
    ModeScore score;
    score.mode = mode;
    const bool last = mode == modes.back();
    const RequestCounts counts = RunModulePass(
        options, *subject.upstream, subject.rate, mode, subject.times,
        [&](int64_t index, const Picture& answer) {
          if (subject.measured(index)) AddComparison(&score, answer, subject.truth(index));
          if (snapshot) snapshot->Offer(index, ModeName(mode), answer);
          if (last && on_last_mode_frame) on_last_mode_frame(index, answer);
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
  if (!options.json_path.empty()) WriteScoreJson(options.json_path, subject.description, scores);
  if (snapshot) {
    const Picture truth = subject.truth(snapshot->index());
    snapshot->Write(options.snapshot_path, *subject.upstream, subject.rate, &truth);
  }
  return scores;
}

}  // namespace fitool
