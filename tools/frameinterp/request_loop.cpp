#include "request_loop.h"

#include <chrono>
#include <string>

#include "pixel_formats.h"
#include "platform.h"
#include "tool_error.h"

namespace fitool {

std::string FrameCount(int64_t frames) {
  return std::to_string(frames) + (frames == 1 ? " frame" : " frames");
}

double MillisecondsPerFrame(const RequestCounts& counts) {
  if (counts.frames == 0) return 0.0;
  return 1000.0 * counts.seconds / static_cast<double>(counts.frames);
}

double ProcessorMillisecondsPerFrame(const RequestCounts& counts) {
  if (counts.frames == 0) return 0.0;
  return 1000.0 * counts.processor_seconds / static_cast<double>(counts.frames);
}

RequestPlan PlanFrom(const std::vector<int64_t>& times) {
  RequestPlan plan;
  plan.time = [&times](int64_t k) -> std::optional<int64_t> {
    if (k >= static_cast<int64_t>(times.size())) return std::nullopt;
    return times[static_cast<size_t>(k)];
  };
  plan.total = static_cast<int64_t>(times.size());
  return plan;
}

namespace {

std::string RequestName(int64_t k, int64_t time) {
  return "request " + std::to_string(k) + " (time " + std::to_string(time) + ")";
}

}  // namespace

std::optional<Picture> AnswerPicture(const std::shared_ptr<avcore::IMediaSample>& answer,
                                     int64_t k, int64_t time) {
  if (!answer) return std::nullopt;
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  answer->GetBuffer(&buffer, 0, 0);
  if (!buffer) throw ToolError("the module's answer to " + RequestName(k, time) + " has no picture");
  std::string error;
  std::optional<Picture> picture = FromHostBuffer(*buffer, &error);
  if (!picture) throw ToolError("the module's answer to " + RequestName(k, time) + ": " + error);
  return picture;
}

ToolError NoFirstFrame(int64_t time) {
  return ToolError("the module gave no frame for the first " + RequestName(0, time) +
                   "; nothing to write");
}

RequestCounts RequestFrames(service::IFrameInterp& session, const RequestPlan& plan,
                            const std::function<void()>& after_request, const FrameSink& on_frame) {
  RequestCounts counts;
  Picture previous;
  for (std::optional<int64_t> t = plan.time(0); t; t = plan.time(counts.frames)) {
    const auto start = std::chrono::steady_clock::now();
    const double processor_start = ThreadProcessorSeconds();
    const std::shared_ptr<avcore::IMediaSample> answer = session.GetFrame(*t, 0);
    counts.processor_seconds += ThreadProcessorSeconds() - processor_start;
    counts.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (after_request) after_request();
    if (plan.keep && !plan.keep(counts.frames)) break;
    if (std::optional<Picture> picture = AnswerPicture(answer, counts.frames, *t)) {
      previous = std::move(*picture);
    } else if (counts.frames == 0) {
      throw NoFirstFrame(*t);
    } else {
      ++counts.repeats;
    }
    on_frame(counts.frames, *t, previous);
    ++counts.frames;
  }
  return counts;
}

}  // namespace fitool
