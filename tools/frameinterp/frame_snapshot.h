// The --snapshot picture: one output frame beside the upstream frames on
// either side of its time, each panel labelled with what it is and its time;
// when the true frame is known, also the true frame, each mode's PSNR and an
// error map under each mode's answer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli_options.h"
#include "frame_sequence.h"
#include "rational.h"

namespace fitool {

// Collects the pictures of one output frame and writes them as a PNG.
class FrameSnapshot {
public:
  // The snapshot that --snapshot asks for: output frame K to FILE, panels at
  // most --snapshot-width pixels wide.
  explicit FrameSnapshot(const Options& options)
      : index_(*options.snapshot_frame),
        path_(options.snapshot_path),
        panel_width_(options.snapshot_width.value_or(kDefaultSnapshotWidth)) {}

  // Throws ToolError when a run of `frames` output frames has no frame index.
  void CheckWithin(int64_t frames) const;
  bool Wants(int64_t k) const { return k == index_; }
  // Keeps `picture`, the answer of `mode` at `time`; with the first answer,
  // the upstream frames at or before `time` and after it.
  void Keep(uint32_t mode, int64_t time, const Picture& picture, FrameSequence& upstream,
            Rational upstream_rate);
  // Writes the PNG for a run of `frames` output frames, with `truth` when
  // known. Throws ToolError, also when the run had no frame index. Returns
  // the name the PNG went to.
  std::string Write(int64_t frames, const Picture* truth) const;

private:
  struct Answer {
    uint32_t mode;
    Picture picture;
  };
  struct Input {
    int64_t time;
    Picture picture;
  };

  int64_t index_;
  std::string path_;
  int panel_width_;  // 0: full size
  int64_t time_ = 0;
  std::vector<Answer> answers_;
  std::vector<Input> inputs_;  // before and after the time
};

}  // namespace fitool
