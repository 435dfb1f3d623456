// The output frames of a conversion: output frame k at FrameTime(k,
// output_rate) for every k whose time lies before the end of the clip, so
// that the clip keeps its duration. A stream's end is learnt only as its
// frames arrive: each request is made first, and its answer kept once the
// frame covering its time has arrived. The module thus reads the stream in
// its own order, and the output is the same as from a file of the same bytes
// (the one request after the end gives no frame).
#pragma once

#include <cstdint>
#include <optional>

#include "rational.h"
#include "request_loop.h"
#include "y4m_clip.h"

namespace fitool {

class ConversionSchedule {
public:
  // Throws ToolError when a clip of known length is too long for the 100-ns
  // time line or would give more than 2,147,483,647 output frames. A stream
  // is read through `reader` (the clip itself when null), which must outlive
  // the schedule.
  ConversionSchedule(Y4mClip& clip, Rational output_rate, FrameSequence* reader = nullptr);

  // The requests of the conversion. Their `keep` reads a stream up to the
  // frame covering the request's time, and throws ToolError as the
  // constructor does once the stream's frames show it.
  RequestPlan Plan();

private:
  // Refuses a clip of `frames` frames that the conversion cannot handle.
  void CheckLength(int64_t frames) const;
  // Whether output frame k lies before the end of the clip.
  bool Within(int64_t k);

  Y4mClip& clip_;
  FrameSequence& reader_;
  Rational input_rate_;
  Rational output_rate_;
  std::optional<int64_t> total_;
  int64_t checked_ = 0;  // frames known to exist and to fit
};

}  // namespace fitool
