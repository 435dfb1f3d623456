#include "clip_provider.h"

#include <exception>

#include "frame_times.h"
#include "pixel_formats.h"
#include "standin/media.h"

namespace fitool {

ClipProvider::ClipProvider(FrameSequence& frames, Rational rate, uint32_t format)
    : frames_(frames), rate_(rate), format_(format) {}

template <typename Result, typename Read>
Result ClipProvider::Guarded(Result fallback, Read read) {
  // Nothing is thrown through the module: the harness reads the failure
  // after the request.
  if (failure_) return fallback;
  try {
    return read();
  } catch (const std::exception& error) {
    failure_ = error.what();
    return fallback;
  }
}

FrameRate ClipProvider::GetFrameRate() { return {rate_.num, rate_.den}; }

uint32_t ClipProvider::GetInfo() { return 0; }

int64_t ClipProvider::Seek(int64_t pts, uint32_t, int32_t*) {
  position_ = Guarded(position_, [&] { return LastFrameUpTo(frames_, FrameIndexAt(pts, rate_)); });
  return FrameTime(position_, rate_);
}

int32_t ClipProvider::MoveNext(int32_t*) {
  if (!Guarded(false, [&] { return frames_.Has(position_ + 1); })) return 1;
  ++position_;
  return 0;
}

std::shared_ptr<avcore::IMediaBuffer> ClipProvider::PictureOf(int64_t index) {
  for (const KeptPicture& kept : kept_) {
    if (kept.index == index && kept.buffer) return kept.buffer;
  }
  KeptPicture& slot = kept_[next_kept_];
  slot = {};  // the oldest picture goes first
  std::shared_ptr<avcore::IMediaBuffer> buffer = Guarded(
      std::shared_ptr<avcore::IMediaBuffer>(), [&] { return ToHostBuffer(frames_.Frame(index), format_); });
  if (!buffer) return nullptr;
  slot = {index, buffer};
  next_kept_ = (next_kept_ + 1) % kKeptPictures;
  return buffer;
}

std::shared_ptr<avcore::IMediaSample> ClipProvider::GetCurrentFrame(int32_t*) {
  if (position_ < 0) return nullptr;
  std::shared_ptr<avcore::IMediaBuffer> picture = PictureOf(position_);
  if (!picture) return nullptr;
  const int64_t pts = FrameTime(position_, rate_);
  return standin::MakeSample(std::move(picture), pts, FrameTime(position_ + 1, rate_) - pts);
}

}  // namespace fitool
