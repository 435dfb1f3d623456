// The --snapshot picture: one output frame beside the upstream frames on
// either side of its time, with the true frame and an error map when known.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame_sequence.h"
#include "rational.h"

namespace fitool {

struct LabelledPicture {
  std::string label;
  Picture picture;
};

// Collects the pictures of one output frame and writes them as a PNG.
class FrameSnapshot {
public:
  // Snapshot of output frame `index` of a run requesting `times`; throws
  // ToolError when the run has no such frame.
  FrameSnapshot(int64_t index, const std::vector<int64_t>& times);

  int64_t index() const { return index_; }
  // Keeps `picture` as the output of `label` when `index` is the snapshot's.
  void Offer(int64_t index, const std::string& label, const Picture& picture);
  // Writes the upstream frame at or before the output's time, every kept
  // output, the next upstream frame, then `truth` and the error map of the
  // last kept output against it when `truth` is given. Throws ToolError.
  void Write(const std::string& path, FrameSequence& upstream, Rational upstream_rate,
             const Picture* truth) const;

private:
  int64_t index_;
  int64_t time_;
  std::vector<LabelledPicture> outputs_;
};

}  // namespace fitool
