// The upstream frame provider the harness gives the module: the frames of a
// sequence at exact times of a constant rate, in one host pixel format.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "frame_sequence.h"
#include "host/frame_provider.h"
#include "rational.h"

namespace fitool {

class ClipProvider final : public IFrameProvider {
public:
  // Frame i lasts from FrameTime(i, rate) to FrameTime(i + 1, rate). `frames`
  // must outlive the provider, hold at least one frame, and fit the time line
  // (TimelineFits(rate, n) for its n frames).
  ClipProvider(FrameSequence& frames, Rational rate, uint32_t format);

  FrameRate GetFrameRate() override;
  // 0: the number of frames is not known (a stream), and the module does not
  // rely on it.
  uint32_t GetInfo() override;
  // The current frame becomes the last one starting at or before pts (the
  // first for earlier times); returns its time.
  int64_t Seek(int64_t pts, uint32_t flags, int32_t* status) override;
  // 0 after advancing (before the first Seek, to the first frame); 1 at the
  // last frame.
  int32_t MoveNext(int32_t* status) override;
  // A new sample on every call, with its own time and duration and sharing
  // the current frame's picture (the same one for every call at a frame
  // while it is among the last few read); empty before the first Seek.
  std::shared_ptr<avcore::IMediaSample> GetCurrentFrame(int32_t* status) override;

  // Why the frames could not be read during the last calls (the provider
  // then answered as at the end of the stream), or nullopt.
  const std::optional<std::string>& failure() const { return failure_; }
  // The index of the current frame; -1 before the first Seek.
  int64_t position() const { return position_; }

private:
  // Runs `read` on the frames; a failure is kept and `fallback` returned.
  template <typename Result, typename Read>
  Result Guarded(Result fallback, Read read);

  // The host picture of frame `index`: one of the last kKeptPictures made,
  // or a new one (null when the frames cannot be read).
  std::shared_ptr<avcore::IMediaBuffer> PictureOf(int64_t index);

  // A window that restarts asks again for the frames it had just read (at
  // 24 -> 60 fps about every frame twice); as many as the window holds are
  // kept.
  static constexpr int kKeptPictures = 4;
  struct KeptPicture {
    int64_t index = -1;
    std::shared_ptr<avcore::IMediaBuffer> buffer;
  };

  FrameSequence& frames_;
  Rational rate_;
  uint32_t format_;
  int64_t position_ = -1;
  KeptPicture kept_[kKeptPictures];
  int next_kept_ = 0;  // the slot the next new picture takes
  std::optional<std::string> failure_;
};

}  // namespace fitool
