#include "frame_snapshot.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "frame_times.h"
#include "quality/metrics.h"
#include "quality/snapshot.h"
#include "staged_output.h"
#include "tool_error.h"

namespace fitool {
namespace {

// "0.133 S": a time in seconds, as the labels show it.
std::string Seconds(int64_t ticks) {
  char text[40];
  std::snprintf(text, sizeof text, "%.3f S", static_cast<double>(ticks) / kTicksPerSecond);
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string PsnrLine(const Picture& answer, const Picture& truth) {
  const double psnr = PsnrY(answer, truth);
  if (std::isinf(psnr)) return "PSNR Y INF";
  char text[40];
  std::snprintf(text, sizeof text, "PSNR Y %.2f", psnr);
  return text;
}

}  // namespace

void FrameSnapshot::CheckWithin(int64_t end, int64_t first) const {
  if (index_ < first || index_ >= end) {
    throw ToolError("--snapshot " + std::to_string(index_) + ": the run has output frames " +
                    std::to_string(first) + " to " + std::to_string(end - 1));
  }
}

void FrameSnapshot::Keep(uint32_t mode, int64_t time, const Picture& picture,
                         FrameSequence& upstream, Rational upstream_rate) {
  if (answers_.empty()) KeepInputs(time, upstream, upstream_rate);
  KeepAnswer(mode, picture);
}

void FrameSnapshot::KeepInputs(int64_t time, FrameSequence& upstream, Rational upstream_rate) {
  time_ = time;
  inputs_.clear();  // a run begun again keeps them again
  const int64_t before = LastFrameUpTo(upstream, FrameIndexAt(time, upstream_rate));
  inputs_.push_back({FrameTime(before, upstream_rate), upstream.Frame(before)});
  if (upstream.Has(before + 1)) {
    inputs_.push_back({FrameTime(before + 1, upstream_rate), upstream.Frame(before + 1)});
  }
}

std::string FrameSnapshot::Write(int64_t end, const Picture* truth, int64_t first) const {
  CheckWithin(end, first);
  const std::string at = Seconds(time_);
  std::vector<Panel> pictures = {{{"INPUT BEFORE", Seconds(inputs_.front().time)},
                                  &inputs_.front().picture}};
  std::vector<Panel> errors = {{}};
  for (const Answer& answer : answers_) {
    const std::string mode = Upper(ModeName(answer.mode));
    Panel panel{{mode, at}, &answer.picture};
    if (truth) {
      panel.label.push_back(PsnrLine(answer.picture, *truth));
      errors.push_back({{mode + " ERROR", "|Y - TRUE| X4"}, &answer.picture, truth});
    }
    pictures.push_back(panel);
  }
  if (inputs_.size() > 1) {
    pictures.push_back({{"INPUT AFTER", Seconds(inputs_.back().time)}, &inputs_.back().picture});
  }
  if (truth) pictures.push_back({{"TRUE FRAME", at}, truth});
  std::vector<std::vector<Panel>> rows = {pictures};
  if (truth) rows.push_back(errors);

  StagedOutput output(path_);
  std::string error;
  if (!WriteSnapshot(output.file(), rows, &error, panel_width_)) {
    throw ToolError(output.name() + ": " + error);
  }
  output.Commit();
  return output.name();
}

}  // namespace fitool
