#include "clip_provider.h"

#include <algorithm>
#include <limits>

#include "frame_times.h"
#include "pixel_formats.h"
#include "standin/media.h"

namespace fitool {

ClipProvider::ClipProvider(FrameSequence& frames, Rational rate, uint32_t format)
    : frames_(frames), rate_(rate), format_(format) {}

FrameRate ClipProvider::GetFrameRate() { return {rate_.num, rate_.den}; }

uint32_t ClipProvider::GetInfo() {
  constexpr int64_t kMax = std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(std::min(frames_.count(), kMax));
}

int64_t ClipProvider::Seek(int64_t pts, uint32_t, int32_t*) {
  position_ = FrameAtOrBefore(pts, rate_, frames_.count());
  return FrameTime(position_, rate_);
}

int32_t ClipProvider::MoveNext(int32_t*) {
  if (position_ + 1 >= frames_.count()) return 1;
  ++position_;
  return 0;
}

std::shared_ptr<avcore::IMediaSample> ClipProvider::GetCurrentFrame(int32_t*) {
  if (position_ < 0) return nullptr;
  // Consecutive calls at one position share one host picture.
  if (picture_index_ != position_) {
    picture_ = ToHostBuffer(frames_.Frame(position_), format_);
    picture_index_ = position_;
  }
  const int64_t pts = FrameTime(position_, rate_);
  return standin::MakeSample(picture_, pts, FrameTime(position_ + 1, rate_) - pts);
}

}  // namespace fitool
