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
  explicit EvenFramesWithTail(FrameSequence& frames) : frames_(frames) {}
  int64_t count() const override { return EvenCount() + 1; }
  Picture Frame(int64_t index) override;

private:
  int64_t EvenCount() const { return (frames_.count() + 1) / 2; }
  FrameSequence& frames_;
};

// Runs the test on options.input in each quality mode. Throws ToolError.
void RunEvaluation(const Options& options);

}  // namespace fitool
