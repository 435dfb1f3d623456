// The upstream frame provider the harness gives the module: the frames of a
// sequence at exact times of a constant rate, in one host pixel format.
#pragma once

#include <cstdint>
#include <memory>

#include "frame_sequence.h"
#include "host/frame_provider.h"
#include "rational.h"

namespace fitool {

class ClipProvider final : public IFrameProvider {
public:
  // Frame i lasts from FrameTime(i, rate) to FrameTime(i + 1, rate). `frames`
  // must outlive the provider, hold at least one frame, and fit the time line
  // (TimelineFits(rate, frames.count())).
  ClipProvider(FrameSequence& frames, Rational rate, uint32_t format);

  FrameRate GetFrameRate() override;
  // The number of frames.
  uint32_t GetInfo() override;
  // The current frame becomes the last one starting at or before pts (the
  // first for earlier times); returns its time.
  int64_t Seek(int64_t pts, uint32_t flags, int32_t* status) override;
  // 0 after advancing (before the first Seek, to the first frame); 1 at the
  // last frame.
  int32_t MoveNext(int32_t* status) override;
  // A new sample on every call, with its own time and duration and sharing
  // the current frame's picture; empty before the first Seek.
  std::shared_ptr<avcore::IMediaSample> GetCurrentFrame(int32_t* status) override;

private:
  FrameSequence& frames_;
  Rational rate_;
  uint32_t format_;
  int64_t position_ = -1;
  int64_t picture_index_ = -1;  // which frame `picture_` holds
  std::shared_ptr<avcore::IMediaBuffer> picture_;
};

}  // namespace fitool
