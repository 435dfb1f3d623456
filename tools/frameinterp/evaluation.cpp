#include "evaluation.h"

#include <algorithm>

#include "frame_times.h"
#include "quality_run.h"
#include "tool_error.h"
#include "y4m_clip.h"

namespace fitool {

Picture EvenFramesWithTail::Frame(int64_t index) {
  return frames_.Frame(2 * std::min(index, even_count_ - 1));
}

void RunEvaluation(const Options& options) {
  const std::unique_ptr<Y4mClip> clip = OpenProgramInput(options.input, Y4mClip::Access::kRandom);
  const Rational rate = clip->header().rate;
  const int64_t n = clip->count().value_or(0);
  if (n < 2) throw ToolError(clip->name() + ": --evaluate needs at least 2 frames");
  EvenFramesWithTail upstream(*clip, n);
  // Even frame j keeps its time FrameTime(2j, rate) at half the rate; the
  // tail copy sits at the next even frame's time.
  if (!TimelineFits(rate, 2 * upstream.count())) {
    throw ToolError(clip->name() + ": the clip is too long for the 100-ns time line");
  }
  QualitySubject subject;
  subject.upstream = &upstream;
  subject.rate = Reduced({rate.num, 2 * rate.den});
  for (int64_t odd = 1; odd < n; odd += 2) subject.times.push_back(FrameTime(odd, rate));
  subject.truth = [&](int64_t index) { return clip->Frame(2 * index + 1); };
  subject.measured = [](int64_t) { return true; };
  subject.description = clip->name() + ": " + std::to_string(n) + " frames at " + RateText(rate) +
                        "; the module is given the " + std::to_string(upstream.count() - 1) +
                        " even frames and asked for the " + std::to_string(subject.times.size()) +
                        " odd ones";
  RunQualityComparison(options, QualityModes(options), subject);
}

}  // namespace fitool
