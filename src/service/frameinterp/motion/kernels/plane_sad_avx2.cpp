#include <immintrin.h>

#include <cstdlib>

#include "motion/kernels/plane_sad.h"

namespace frameinterp {

uint64_t plane_sad_avx2(const uint8_t* a, ptrdiff_t a_stride, const uint8_t* b,
                        ptrdiff_t b_stride, int64_t width, int64_t height) {
  uint64_t sum = 0;
  for (int64_t y = 0; y < height; ++y, a += a_stride, b += b_stride) {
    __m256i acc = _mm256_setzero_si256();
    int64_t x = 0;
    for (; x + 32 <= width; x += 32) {
      acc = _mm256_add_epi64(
          acc, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x)),
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x))));
    }
    alignas(32) uint64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
    sum += lanes[0] + lanes[1] + lanes[2] + lanes[3];
    for (; x < width; ++x) sum += static_cast<uint64_t>(std::abs(a[x] - b[x]));
  }
  return sum;
}

}  // namespace frameinterp
