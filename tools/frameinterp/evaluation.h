// --evaluate: the standard interpolation test on the user's own footage.
// The module is given only the even frames, asked for the odd frames' times,
// and its answers are scored against the true odd frames.
#pragma once

#include <cstdint>

#include "cli_options.h"
#include "frame_sequence.h"

namespace fitool {

// The even frames 0, 2, 4, ... of a sequence, followed by one more copy of
// the last of them (so that the motion mode's window covers the last
// interval).
class EvenFramesWithTail final : public FrameSequence {
public:
  // The even frames of the `count` frames of `frames`.
  EvenFramesWithTail(FrameSequence& frames, int64_t count)
      : frames_(frames), even_count_((count + 1) / 2) {}
  int64_t count() const { return even_count_ + 1; }
  bool Has(int64_t index) override { return index >= 0 && index < count(); }
  Picture Frame(int64_t index) override;

private:
  FrameSequence& frames_;
  int64_t even_count_;
};

// Runs the test on options.input in each quality mode. Throws ToolError.
void RunEvaluation(const Options& options);

}  // namespace fitool
