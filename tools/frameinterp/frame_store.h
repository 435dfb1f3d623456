// The input frames of a conversion shared by several sessions on their own
// threads. Frames are read in order, by whichever thread first needs them
// (mostly the planner, reading ahead), and kept from the lowest frame that a
// holder has pinned; every frame is kept as it is read, so a stream, read
// once, loses none that a session may still ask for. A file is read from the
// lowest pin on, and a frame below it is read again when asked for.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "frame_sequence.h"
#include "y4m_clip.h"

namespace fitool {

class FrameStore final : public FrameSequence {
public:
  // Frames of `clip`, which must outlive the store and not be read by others,
  // for `holders` holders of pins (each starts with none).
  FrameStore(Y4mClip& clip, int holders);

  // Thread-safe. Has reads a stream up to `index`; Frame throws ToolError for
  // a frame of a stream that was let go.
  bool Has(int64_t index) override;
  Picture Frame(int64_t index) override;

  // Reads the frames up to `index` (those that exist) ahead of their use.
  void ReadUpTo(int64_t index);
  // Keeps frames from `index` on for `holder` (kNoPin: none) and returns
  // true; false, pinning nothing, when frame `index` of a stream was already
  // let go.
  bool Pin(int holder, int64_t index);
  static constexpr int64_t kNoPin = INT64_MAX;
  // The number of frames read from the lowest pin on.
  int64_t needed() const;
  // The bytes of one picture.
  int64_t frame_bytes() const { return static_cast<int64_t>(clip_.header().FrameBytes()); }

private:
  // Reads the next frame and keeps it, letting go of frames below every pin.
  // Requires read_mutex_; false at the end of the clip.
  bool ReadNext();

  Y4mClip& clip_;
  const bool stream_;
  std::mutex read_mutex_;  // the clip; taken before mutex_
  mutable std::mutex mutex_;
  std::deque<std::shared_ptr<const Picture>> kept_;  // frames first_ ... read_ - 1
  int64_t first_ = 0;
  int64_t read_ = 0;
  std::vector<int64_t> pins_;
};

}  // namespace fitool
