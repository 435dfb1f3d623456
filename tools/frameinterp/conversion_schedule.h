// The output frames of a conversion: output frame k at FrameTime(k,
// output_rate) for every k whose time lies before the end of the clip, so
// that the clip keeps its duration. A stream's end is learnt only as its
// frames arrive, so each time is given once the frame covering it has been
// read, and the output is the same as from a file of the same bytes.
#pragma once

#include <cstdint>
#include <optional>

#include "rational.h"
#include "y4m_clip.h"

namespace fitool {

class ConversionSchedule {
public:
  // Throws ToolError when a clip of known length is too long for the 100-ns
  // time line or would give more than 2,147,483,647 output frames.
  ConversionSchedule(Y4mClip& clip, Rational output_rate);

  // The number of output frames, when the clip's length is known up front.
  std::optional<int64_t> total() const { return total_; }
  // The time of output frame k, or nullopt when it lies at or after the end
  // of the clip. Reads the clip up to the frame that covers it; throws
  // ToolError as the constructor does, for a stream once its frames show it.
  std::optional<int64_t> Time(int64_t k);

private:
  // Refuses a clip of `frames` frames that the conversion cannot handle.
  void CheckLength(int64_t frames) const;

  Y4mClip& clip_;
  Rational input_rate_;
  Rational output_rate_;
  std::optional<int64_t> total_;
  int64_t checked_ = 0;  // frames known to exist and to fit
};

}  // namespace fitool
