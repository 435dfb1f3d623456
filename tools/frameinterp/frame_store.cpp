#include "frame_store.h"

#include <algorithm>
#include <string>

#include "tool_error.h"

namespace fitool {

FrameStore::FrameStore(Y4mClip& clip, int holders)
    : clip_(clip), stream_(!clip.seekable()), pins_(static_cast<size_t>(holders), kNoPin) {}

bool FrameStore::Has(int64_t index) {
  if (index < 0) return false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (index < read_) return true;
  }
  const std::lock_guard<std::mutex> read_lock(read_mutex_);
  if (!stream_) return clip_.Has(index);
  while (read_ <= index) {
    if (!ReadNext()) return false;
  }
  return true;
}

Picture FrameStore::Frame(int64_t index) {
  ReadUpTo(index);
  std::shared_ptr<const Picture> kept;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (index >= first_ && index < read_) kept = kept_[static_cast<size_t>(index - first_)];
  }
  if (kept) return *kept;
  if (stream_) {
    throw ToolError(clip_.name() + ": frame " + std::to_string(index) +
                    " was asked for again after the input had moved on");
  }
  const std::lock_guard<std::mutex> read_lock(read_mutex_);
  return clip_.Frame(index);  // let go of already: a file reads it again
}

void FrameStore::ReadUpTo(int64_t index) {
  const std::lock_guard<std::mutex> read_lock(read_mutex_);
  while (read_ <= index && ReadNext()) {
  }
}

bool FrameStore::ReadNext() {
  if (!stream_) {
    // A file is read from the lowest pin on: a run that begins late in it
    // reads none of the frames before.
    const std::lock_guard<std::mutex> lock(mutex_);
    const int64_t floor = *std::min_element(pins_.begin(), pins_.end());
    if (floor != kNoPin && read_ < floor) {
      kept_.clear();
      first_ = read_ = floor;
    }
  }
  if (!clip_.Has(read_)) return false;
  auto picture = std::make_shared<const Picture>(clip_.Frame(read_));
  const std::lock_guard<std::mutex> lock(mutex_);
  const int64_t floor = *std::min_element(pins_.begin(), pins_.end());
  while (!kept_.empty() && first_ < floor) {
    kept_.pop_front();
    ++first_;
  }
  kept_.push_back(std::move(picture));
  ++read_;
  return true;
}

bool FrameStore::Pin(int holder, int64_t index) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (stream_ && index < first_) return false;
  pins_[static_cast<size_t>(holder)] = index;
  return true;
}

int64_t FrameStore::needed() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const int64_t floor = *std::min_element(pins_.begin(), pins_.end());
  return read_ - std::clamp(floor, first_, read_);
}

}  // namespace fitool
