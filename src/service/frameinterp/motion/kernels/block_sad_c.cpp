#include <cstdlib>

#include "motion/kernels/block_sad.h"

namespace frameinterp {

uint32_t sad_square_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride, int32_t n) {
  uint32_t sum = 0;
  for (int32_t r = 0; r < n; ++r, a += stride, b += stride) {
    for (int32_t c = 0; c < n; ++c) sum += static_cast<uint32_t>(std::abs(a[c] - b[c]));
  }
  return sum;
}

uint32_t sad_1x1_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  return sad_square_c(a, b, stride, 1);
}
uint32_t sad_2x2_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  return sad_square_c(a, b, stride, 2);
}
uint32_t sad_4x4_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  return sad_square_c(a, b, stride, 4);
}
uint32_t sad_8x8_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  return sad_square_c(a, b, stride, 8);
}
uint32_t sad_16x16_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  return sad_square_c(a, b, stride, 16);
}
uint32_t sad_32x32_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  return sad_square_c(a, b, stride, 32);
}

}  // namespace frameinterp
