// A numbered run of 4:2:0 pictures: a clip read from a file or a pipe, a
// rendered scene, or a selection of another run's frames.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "picture.h"

namespace fitool {

class FrameSequence {
public:
  virtual ~FrameSequence() = default;
  // Whether frame `index` ≥ 0 exists. A stream reads up to it to find out.
  // Throws ToolError when the input cannot be read.
  virtual bool Has(int64_t index) = 0;
  // The picture of frame `index`, for which Has gave true. Throws ToolError
  // when the picture can no longer be read (a stream that moved past it).
  virtual Picture Frame(int64_t index) = 0;
};

// The last frame at or before `index`: `index` itself when it exists; frame
// 0 must exist.
int64_t LastFrameUpTo(FrameSequence& frames, int64_t index);

// Pictures held in memory.
class PictureList final : public FrameSequence {
public:
  explicit PictureList(std::vector<Picture> pictures) : pictures_(std::move(pictures)) {}
  int64_t count() const { return static_cast<int64_t>(pictures_.size()); }
  bool Has(int64_t index) override { return index >= 0 && index < count(); }
  Picture Frame(int64_t index) override { return pictures_[static_cast<size_t>(index)]; }

private:
  std::vector<Picture> pictures_;
};

}  // namespace fitool
