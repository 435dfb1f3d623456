#include <emmintrin.h>

#include <cstring>

#include "motion/kernels/block_sad.h"

namespace frameinterp {
namespace {

__m128i load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Two rows of 8 bytes in one register.
__m128i load_8x2(const uint8_t* p, ptrdiff_t stride) {
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)));
}

// Four rows of 4 bytes in one register.
__m128i load_4x4(const uint8_t* p, ptrdiff_t stride) {
  int32_t rows[4];
  for (int i = 0; i < 4; ++i) std::memcpy(&rows[i], p + i * stride, 4);
  return _mm_setr_epi32(rows[0], rows[1], rows[2], rows[3]);
}

// The two 64-bit halves of a psadbw accumulator added.
uint32_t total(__m128i acc) {
  return static_cast<uint32_t>(_mm_cvtsi128_si32(acc) + _mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
}

}  // namespace

uint32_t sad_4x4_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  return total(_mm_sad_epu8(load_4x4(a, stride), load_4x4(b, stride)));
}

uint32_t sad_8x8_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  __m128i acc = _mm_setzero_si128();
  for (int r = 0; r < 8; r += 2) {
    acc = _mm_add_epi64(acc, _mm_sad_epu8(load_8x2(a + r * stride, stride),
                                          load_8x2(b + r * stride, stride)));
  }
  return total(acc);
}

uint32_t sad_16x16_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  __m128i acc = _mm_setzero_si128();
  for (int r = 0; r < 16; ++r, a += stride, b += stride) {
    acc = _mm_add_epi64(acc, _mm_sad_epu8(load16(a), load16(b)));
  }
  return total(acc);
}

uint32_t sad_32x32_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride) {
  __m128i acc = _mm_setzero_si128();
  for (int r = 0; r < 32; ++r, a += stride, b += stride) {
    acc = _mm_add_epi64(acc, _mm_sad_epu8(load16(a), load16(b)));
    acc = _mm_add_epi64(acc, _mm_sad_epu8(load16(a + 16), load16(b + 16)));
  }
  return total(acc);
}

}  // namespace frameinterp
