#include "frame_snapshot.h"

#include <algorithm>

#include "frame_times.h"
#include "quality/snapshot.h"
#include "tool_error.h"

namespace fitool {

FrameSnapshot::FrameSnapshot(int64_t index, const std::vector<int64_t>& times) : index_(index) {
  if (index < 0 || index >= static_cast<int64_t>(times.size())) {
    throw ToolError("--snapshot " + std::to_string(index) + ": the run has output frames 0 to " +
                    std::to_string(static_cast<int64_t>(times.size()) - 1));
  }
  time_ = times[static_cast<size_t>(index)];
}

void FrameSnapshot::Offer(int64_t index, const std::string& label, const Picture& picture) {
  if (index == index_) outputs_.push_back({label, picture});
}

void FrameSnapshot::Write(const std::string& path, FrameSequence& upstream,
                          Rational upstream_rate, const Picture* truth) const {
  const int64_t before = FrameAtOrBefore(time_, upstream_rate, upstream.count());
  const Picture first = upstream.Frame(before);
  const Picture second = upstream.Frame(std::min(before + 1, upstream.count() - 1));
  std::vector<Panel> panels{{&first, "before"}};
  for (const LabelledPicture& output : outputs_) panels.push_back({&output.picture, output.label});
  panels.push_back({&second, "after"});
  if (truth) panels.push_back({truth, "truth"});
  const Picture* compared = truth && !outputs_.empty() ? &outputs_.back().picture : nullptr;
  std::string error;
  if (!WriteSnapshot(path, panels, compared, compared ? truth : nullptr, &error)) {
    throw ToolError(error);
  }
}

}  // namespace fitool
