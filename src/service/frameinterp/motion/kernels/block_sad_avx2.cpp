#include <immintrin.h>

#include <cstring>

#include "motion/kernels/block_sad.h"

namespace frameinterp {
namespace {

// Two rows of 16 bytes in one register.
__m256i load_16x2(const uint8_t* p, ptrdiff_t stride) {
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + stride));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// Four rows of 8 bytes in one register.
__m256i load_8x4(const uint8_t* p, ptrdiff_t stride) {
  int64_t rows[4];
  for (int i = 0; i < 4; ++i) std::memcpy(&rows[i], p + i * stride, 8);
  return _mm256_setr_epi64x(rows[0], rows[1], rows[2], rows[3]);
}

// The four 64-bit lanes of a psadbw accumulator added.
uint32_t total(__m256i acc) {
  const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(half) + _mm_cvtsi128_si32(_mm_srli_si128(half, 8)));
}

}  // namespace

uint32_t sad_8x8_avx2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  const __m256i top = _mm256_sad_epu8(load_8x4(a, stride), load_8x4(b, stride));
  const __m256i bottom =
      _mm256_sad_epu8(load_8x4(a + 4 * stride, stride), load_8x4(b + 4 * stride, stride));
  return total(_mm256_add_epi64(top, bottom));
}

uint32_t sad_16x16_avx2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  __m256i acc = _mm256_setzero_si256();
  for (int r = 0; r < 16; r += 2) {
    acc = _mm256_add_epi64(acc, _mm256_sad_epu8(load_16x2(a + r * stride, stride),
                                                load_16x2(b + r * stride, stride)));
  }
  return total(acc);
}

uint32_t sad_32x32_avx2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  __m256i acc = _mm256_setzero_si256();
  for (int r = 0; r < 32; ++r, a += stride, b += stride) {
    acc = _mm256_add_epi64(acc, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)),
                                                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b))));
  }
  return total(acc);
}

}  // namespace frameinterp
