#include "motion/me_costs.h"

#include <cstddef>

#include "motion/kernels/motion_kernels.h"

namespace frameinterp {
namespace {

// Sum of |a - b| over the square of offsets [first, end) in rows and columns,
// a anchored at (ax, ay), b at (bx, by), by the kernel for that edge.
uint64_t square_sad(const uint8_t* a, int32_t ax, int32_t ay, const uint8_t* b, int32_t bx,
                    int32_t by, int32_t linesize, int32_t first, int32_t end) {
  const int32_t edge = end - first;
  const ptrdiff_t stride = linesize;
  const uint8_t* a_corner = a + (ay + first) * stride + ax + first;
  const uint8_t* b_corner = b + (by + first) * stride + bx + first;
  const BlockSadFn kernel = block_sad_kernel(edge);
  return kernel ? kernel(a_corner, b_corner, stride) : sad_square_c(a_corner, b_corner, stride, edge);
}

uint64_t vector_penalty(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                        int32_t cand_y) {
  return penalty_of(static_cast<int64_t>(cand_x) - x - me->predicted_x,
                    static_cast<int64_t>(cand_y) - y - me->predicted_y);
}

}  // namespace

// Window offsets run from -h to (3 * block_size) / 2 - 1, h = block_size / 2.
int32_t window_first(const MEContext* me) { return -(me->block_size / 2); }
int32_t window_end(const MEContext* me) { return (3 * me->block_size) / 2; }

uint64_t block_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x, int32_t cand_y) {
  return square_sad(me->ref_plane, cand_x, cand_y, me->cur_plane, x, y, me->linesize, 0,
                    me->block_size);
}

uint64_t overlapped_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                        int32_t cand_y) {
  const int32_t h = me->block_size / 2;
  const int32_t lo_x = me->x_min + h, hi_x = me->x_max - h;
  const int32_t lo_y = me->y_min + h, hi_y = me->y_max - h;
  const uint64_t sum =
      square_sad(me->ref_plane, clamp_to(cand_x, lo_x, hi_x), clamp_to(cand_y, lo_y, hi_y),
                 me->cur_plane, clamp_to(x, lo_x, hi_x), clamp_to(y, lo_y, hi_y), me->linesize,
                 window_first(me), window_end(me));
  return sum + vector_penalty(me, x, y, cand_x, cand_y);
}

uint64_t bilateral_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                       int32_t cand_y) {
  return BilateralCost(me, x, y, 0, 0, me->block_size)(cand_x, cand_y);
}

uint64_t bilateral_overlapped_sad(const MEContext* me, int32_t x, int32_t y, int32_t cand_x,
                                  int32_t cand_y) {
  return bilateral_overlapped_cost(me, x, y)(cand_x, cand_y);
}

BilateralCost bilateral_overlapped_cost(const MEContext* me, int32_t x, int32_t y) {
  return BilateralCost(me, x, y, me->block_size / 2, window_first(me), window_end(me));
}

}  // namespace frameinterp
