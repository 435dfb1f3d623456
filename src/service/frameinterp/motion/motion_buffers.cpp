#include "motion/motion_buffers.h"

namespace frameinterp {

struct QuarterPool::Chunk {
  static constexpr size_t kArrays = 1024;
  Chunk* next;
  size_t used;
  MIBlock records[kArrays][4];
};

QuarterPool::~QuarterPool() {
  while (first_) {
    Chunk* next = first_->next;
    std::free(first_);
    first_ = next;
  }
}

MIBlock* QuarterPool::take() {
  if (!current_) {
    if (!first_) first_ = alloc_zeroed<Chunk>(1);
    current_ = first_;
    if (!current_) return nullptr;
  } else if (current_->used == Chunk::kArrays) {
    if (!current_->next) {
      current_->next = alloc_zeroed<Chunk>(1);
      if (!current_->next) return nullptr;
    }
    current_ = current_->next;
    current_->used = 0;
  }
  MIBlock* quarters = current_->records[current_->used++];
  std::memset(static_cast<void*>(quarters), 0, 4 * sizeof(MIBlock));
  return quarters;
}

void QuarterPool::take_back_all() {
  current_ = first_;
  if (current_) current_->used = 0;
}

}  // namespace frameinterp
