#include "conversion_schedule.h"

#include <string>

#include "frame_times.h"
#include "tool_error.h"

namespace fitool {
namespace {

constexpr int64_t kMaxOutputFrames = 2147483647;

}  // namespace

ConversionSchedule::ConversionSchedule(Y4mClip& clip, Rational output_rate, FrameSequence* reader)
    : clip_(clip),
      reader_(reader ? *reader : clip),
      input_rate_(clip.header().rate),
      output_rate_(output_rate) {
  if (const std::optional<int64_t> frames = clip.count()) {
    CheckLength(*frames);
    checked_ = *frames;
    total_ = RequestCount(output_rate_, FrameTime(*frames, input_rate_));
  }
}

void ConversionSchedule::CheckLength(int64_t frames) const {
  if (!TimelineFits(input_rate_, frames)) {
    throw ToolError(clip_.name() + ": the clip is too long for the 100-ns time line");
  }
  if (RequestCount(output_rate_, FrameTime(frames, input_rate_)) > kMaxOutputFrames) {
    throw ToolError(clip_.name() + ": the output rate " + RateText(output_rate_) +
                    " would give more than " + std::to_string(kMaxOutputFrames) + " frames");
  }
}

RequestPlan ConversionSchedule::Plan() {
  RequestPlan plan;
  plan.total = total_;
  plan.time = [this](int64_t k) -> std::optional<int64_t> {
    if (total_ && k >= *total_) return std::nullopt;
    return FrameTime(k, output_rate_);
  };
  if (!total_) plan.keep = [this](int64_t k) { return Within(k); };
  return plan;
}

bool ConversionSchedule::Within(int64_t k) {
  const int64_t covering = FrameIndexAt(FrameTime(k, output_rate_), input_rate_);
  if (covering < checked_) return true;
  if (!reader_.Has(covering)) return false;
  CheckLength(covering + 1);
  checked_ = covering + 1;
  return true;
}

}  // namespace fitool
