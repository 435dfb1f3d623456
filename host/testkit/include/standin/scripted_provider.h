// A scriptable upstream frame provider for tests: a list of frames with times,
// durations and pictures. Seek lands on the frame covering a time; every call
// is counted so that tests can assert what a request read.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/frame_provider.h"

namespace standin {

struct ScriptedFrame {
  int64_t pts = 0;
  int64_t duration = 0;
  std::shared_ptr<avcore::IMediaBuffer> picture;  // may be null: a sample without a buffer
  bool missing = false;                           // GetCurrentFrame answers empty here
};

struct ProviderCalls {
  int get_frame_rate = 0;
  int get_info = 0;
  int seek = 0;
  int move_next = 0;
  int get_current_frame = 0;
  std::vector<int64_t> seek_pts;
  std::vector<uint32_t> seek_flags;

  int reads() const { return seek + move_next + get_current_frame; }
};

class ScriptedProvider final : public IFrameProvider {
public:
  ScriptedProvider(FrameRate rate, std::vector<ScriptedFrame> frames, uint32_t info = 0);

  // `count` frames at start, start + step, ..., each lasting `duration`, each
  // with a picture of its own (format 1, size x size, every byte = frame index).
  static std::vector<ScriptedFrame> Uniform(int count, int64_t start, int64_t step,
                                            int64_t duration, uint32_t size = 16);

  FrameRate GetFrameRate() override;
  uint32_t GetInfo() override;
  // Lands on the last frame whose time is at or before pts, or on the first
  // frame when pts lies before it; returns that frame's time.
  int64_t Seek(int64_t pts, uint32_t flags, int32_t* status) override;
  int32_t MoveNext(int32_t* status) override;
  // A new sample on every call (its own time and duration, sharing the
  // picture), unless shared samples are switched on.
  std::shared_ptr<avcore::IMediaSample> GetCurrentFrame(int32_t* status) override;

  // Hand out one persistent sample per frame instead of a new one per call.
  void UseSharedSamples(bool shared) { shared_samples_ = shared; }

  const ProviderCalls& calls() const { return calls_; }
  // Counts from zero again; the lists keep their memory, so that counting the
  // same calls again allocates nothing.
  void ResetCalls();
  int position() const { return position_; }
  std::vector<ScriptedFrame>& frames() { return frames_; }

private:
  FrameRate rate_;
  std::vector<ScriptedFrame> frames_;
  std::vector<std::shared_ptr<avcore::IMediaSample>> shared_;
  uint32_t info_;
  int position_ = -1;
  bool shared_samples_ = false;
  ProviderCalls calls_;
};

}  // namespace standin
