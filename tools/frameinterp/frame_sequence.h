// A numbered run of 4:2:0 pictures: a clip read from a file, a rendered scene,
// or a selection of another run's frames.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "picture.h"

namespace fitool {

class FrameSequence {
public:
  virtual ~FrameSequence() = default;
  virtual int64_t count() const = 0;
  // The picture of frame `index`, 0 ≤ index < count().
  virtual Picture Frame(int64_t index) = 0;
};

// Pictures held in memory.
class PictureList final : public FrameSequence {
public:
  explicit PictureList(std::vector<Picture> pictures) : pictures_(std::move(pictures)) {}
  int64_t count() const override { return static_cast<int64_t>(pictures_.size()); }
  Picture Frame(int64_t index) override { return pictures_[static_cast<size_t>(index)]; }

private:
  std::vector<Picture> pictures_;
};

}  // namespace fitool
