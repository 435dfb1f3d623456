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

  // Throws ToolError when a run of output frames `first` to `end` - 1 has
  // no frame index.
  void CheckWithin(int64_t end, int64_t first = 0) const;
  bool Wants(int64_t k) const { return k == index_; }
  // Keeps `picture`, the answer of `mode` at `time`; with the first answer,
  // the upstream frames at or before `time` and after it.
  void Keep(uint32_t mode, int64_t time, const Picture& picture, FrameSequence& upstream,
            Rational upstream_rate);
  // The two halves of Keep, for runs whose answers and upstream frames are
  // at hand in different places: the upstream frames around `time`, once;
  // then each mode's answer.
  void KeepInputs(int64_t time, FrameSequence& upstream, Rational upstream_rate);
  void KeepAnswer(uint32_t mode, const Picture& picture) { answers_.push_back({mode, picture}); }
  // Writes the PNG for a run of output frames `first` to `end` - 1, with
  // `truth` when known. Throws ToolError, also when the run had no frame
  // index. Returns the name the PNG went to.
  std::string Write(int64_t end, const Picture* truth, int64_t first = 0) const;

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
