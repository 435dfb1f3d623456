// The bilateral cost of one block, set up once for every candidate a search
// tests: the block position clamped into the rectangle, the largest vector
// lengths that keep both ends inside it, the planes and the kernel for the
// sum's edge. bilateral_sad and bilateral_overlapped_sad are this cost for a
// single candidate; the predictive search keeps one for a whole block.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "motion/kernels/motion_kernels.h"
#include "motion/me_context.h"

namespace frameinterp {

// lo if v < lo, else hi if v > hi, else v (defined even when lo > hi).
inline int32_t clamp_to(int32_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// The SAD kernel for squares of the edge: edges are powers of two up to 32
// (windows of blocks up to 16); null for any other, which takes the plain
// loop.
inline BlockSadFn block_sad_kernel(int32_t edge) {
  if (edge < 1 || edge > 32 || (edge & (edge - 1)) != 0) return nullptr;
  return motion_kernels().block_sad[std::countr_zero(static_cast<uint32_t>(edge))];
}

// VECTOR_PENALTY per pixel of L1 distance (dx, dy) from the predicted vector.
inline uint64_t penalty_of(int64_t dx, int64_t dy) {
  return static_cast<uint64_t>((std::llabs(dx) + std::llabs(dy)) * VECTOR_PENALTY);
}

class BilateralCost {
public:
  // Block (x, y), the rectangle shrunk by `inset` on every side, the sum over
  // the square of offsets [first, end) of rows and columns.
  BilateralCost(const MEContext* me, int32_t x, int32_t y, int32_t inset, int32_t first,
                int32_t end)
      : cur_(me->cur_plane), ref_(me->ref_plane), stride_(me->linesize), first_(first),
        edge_(end - first), x_(x), y_(y), predicted_x_(me->predicted_x),
        predicted_y_(me->predicted_y), kernel_(block_sad_kernel(edge_)) {
    const int32_t lo_x = me->x_min + inset, hi_x = me->x_max - inset;
    const int32_t lo_y = me->y_min + inset, hi_y = me->y_max - inset;
    px_ = clamp_to(x, lo_x, hi_x);
    py_ = clamp_to(y, lo_y, hi_y);
    reach_x_ = px_ - lo_x < hi_x - px_ ? px_ - lo_x : hi_x - px_;
    reach_y_ = py_ - lo_y < hi_y - py_ ? py_ - lo_y : hi_y - py_;
  }

  // cur at position + v against ref at position - v, the candidate's vector
  // shortened per axis to the reach, plus VECTOR_PENALTY per pixel of L1
  // distance between the unshortened vector and the predicted one.
  uint64_t operator()(int32_t cand_x, int32_t cand_y) const {
    return sum(cand_x, cand_y) + penalty(cand_x, cand_y);
  }

  // The two terms of the cost.
  uint64_t sum(int32_t cand_x, int32_t cand_y) const {
    const int32_t vx = clamp_to(cand_x - px_, -reach_x_, reach_x_);
    const int32_t vy = clamp_to(cand_y - py_, -reach_y_, reach_y_);
    const uint8_t* a = cur_ + (py_ + vy + first_) * stride_ + px_ + vx + first_;
    const uint8_t* b = ref_ + (py_ - vy + first_) * stride_ + px_ - vx + first_;
    return kernel_ ? kernel_(a, b, stride_) : sad_square_c(a, b, stride_, edge_);
  }
  uint64_t penalty(int32_t cand_x, int32_t cand_y) const {
    return penalty_of(static_cast<int64_t>(cand_x) - x_ - predicted_x_,
                      static_cast<int64_t>(cand_y) - y_ - predicted_y_);
  }

private:
  const uint8_t* cur_;
  const uint8_t* ref_;
  ptrdiff_t stride_;
  int32_t first_, edge_;
  int32_t x_, y_;
  int32_t predicted_x_, predicted_y_;
  BlockSadFn kernel_;
  int32_t px_ = 0, py_ = 0;
  int32_t reach_x_ = 0, reach_y_ = 0;
};

}  // namespace frameinterp
