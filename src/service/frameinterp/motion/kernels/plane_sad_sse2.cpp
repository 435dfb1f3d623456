#include <emmintrin.h>

#include <cstdlib>

#include "motion/kernels/plane_sad.h"

namespace frameinterp {

uint64_t plane_sad_sse2(const uint8_t* a, ptrdiff_t a_stride, const uint8_t* b,
                        ptrdiff_t b_stride, int64_t width, int64_t height) {
  uint64_t sum = 0;
  for (int64_t y = 0; y < height; ++y, a += a_stride, b += b_stride) {
    // Each psadbw lane gathers at most 8 x 255 per step: u64 lanes never overflow.
    __m128i acc = _mm_setzero_si128();
    int64_t x = 0;
    for (; x + 16 <= width; x += 16) {
      acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x))));
    }
    alignas(16) uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    sum += lanes[0] + lanes[1];
    for (; x < width; ++x) sum += static_cast<uint64_t>(std::abs(a[x] - b[x]));
  }
  return sum;
}

}  // namespace frameinterp
