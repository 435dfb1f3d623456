#include "standin/scripted_provider.h"

#include <cstring>

#include "standin/media.h"

namespace standin {

ScriptedProvider::ScriptedProvider(FrameRate rate, std::vector<ScriptedFrame> frames,
                                   uint32_t info)
    : rate_(rate), frames_(std::move(frames)), shared_(frames_.size()), info_(info) {}

std::vector<ScriptedFrame> ScriptedProvider::Uniform(int count, int64_t start, int64_t step,
                                                     int64_t duration, uint32_t size) {
  std::vector<ScriptedFrame> frames;
  frames.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    auto picture = MakePicture(1, size, size);
    for (int p = 0; p < picture->layout().plane_count; ++p) {
      std::memset(picture->plane(p), i & 0xFF,
                  static_cast<size_t>(picture->stride(p)) * picture->layout().planes[p].rows);
    }
    frames.push_back({start + i * step, duration, std::move(picture), false});
  }
  return frames;
}

void ScriptedProvider::ResetCalls() {
  std::vector<int64_t> seek_pts = std::move(calls_.seek_pts);
  std::vector<uint32_t> seek_flags = std::move(calls_.seek_flags);
  seek_pts.clear();
  seek_flags.clear();
  calls_ = ProviderCalls{};
  calls_.seek_pts = std::move(seek_pts);
  calls_.seek_flags = std::move(seek_flags);
}

FrameRate ScriptedProvider::GetFrameRate() {
  ++calls_.get_frame_rate;
  return rate_;
}

uint32_t ScriptedProvider::GetInfo() {
  ++calls_.get_info;
  return info_;
}

int64_t ScriptedProvider::Seek(int64_t pts, uint32_t flags, int32_t*) {
  ++calls_.seek;
  calls_.seek_pts.push_back(pts);
  calls_.seek_flags.push_back(flags);
  if (frames_.empty()) {
    position_ = -1;
    return pts;
  }
  int landed = 0;
  for (size_t i = 0; i < frames_.size(); ++i) {
    if (frames_[i].pts <= pts) landed = static_cast<int>(i);
  }
  position_ = landed;
  return frames_[static_cast<size_t>(landed)].pts;
}

int32_t ScriptedProvider::MoveNext(int32_t*) {
  ++calls_.move_next;
  if (position_ + 1 >= static_cast<int>(frames_.size())) return 1;
  ++position_;
  return 0;
}

std::shared_ptr<avcore::IMediaSample> ScriptedProvider::GetCurrentFrame(int32_t*) {
  ++calls_.get_current_frame;
  if (position_ < 0 || position_ >= static_cast<int>(frames_.size())) return nullptr;
  const ScriptedFrame& frame = frames_[static_cast<size_t>(position_)];
  if (frame.missing) return nullptr;
  if (!shared_samples_) return MakeSample(frame.picture, frame.pts, frame.duration);
  auto& sample = shared_[static_cast<size_t>(position_)];
  if (!sample) sample = MakeSample(frame.picture, frame.pts, frame.duration);
  return sample;
}

}  // namespace standin
