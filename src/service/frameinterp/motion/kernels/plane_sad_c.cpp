#include <cstdlib>

#include "motion/kernels/plane_sad.h"

namespace frameinterp {

uint64_t plane_sad_c(const uint8_t* a, ptrdiff_t a_stride, const uint8_t* b, ptrdiff_t b_stride,
                     int64_t width, int64_t height) {
  uint64_t sum = 0;
  for (int64_t y = 0; y < height; ++y, a += a_stride, b += b_stride) {
    for (int64_t x = 0; x < width; ++x) sum += static_cast<uint64_t>(std::abs(a[x] - b[x]));
  }
  return sum;
}

}  // namespace frameinterp
