#include <immintrin.h>

#include "motion/kernels/weighted_sums.h"

namespace frameinterp {
namespace {

__m256i load8_u32(const uint8_t* p) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

__m256i load_u32(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
void store_u32(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// beta x s1 + alpha x s2 = beta x (s1 - s2) + 1024 x s2: one multiplication.
__m256i blend_sum(__m256i s1, __m256i s2, __m256i beta) {
  return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(s1, s2), beta), _mm256_slli_epi32(s2, 10));
}

// (x / y) truncated for four lanes 0 <= x < 2^31, 0 < y: exact through double
// (the quotient is below 256 and the remainder at least 1 / y, far above the
// rounding error).
__m128i divide(__m128i x, __m128i y) {
  return _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(x), _mm256_cvtepi32_pd(y)));
}

}  // namespace

void accumulate_row_avx2(uint32_t* sums, const uint8_t* weights, const uint8_t* s1,
                         const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha) {
  const __m256i b = _mm256_set1_epi32(static_cast<int32_t>(beta));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i m = blend_sum(load8_u32(s1 + i), load8_u32(s2 + i), b);
    store_u32(sums + i, _mm256_add_epi32(load_u32(sums + i), _mm256_mullo_epi32(load8_u32(weights + i), m)));
  }
  if (i < n) accumulate_row_c(sums + i, weights + i, s1 + i, s2 + i, n - i, beta, alpha);
}

void accumulate_pixels_avx2(uint32_t* sums, uint32_t* totals, const uint8_t* weights,
                            const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                            uint32_t alpha) {
  const __m256i b = _mm256_set1_epi32(static_cast<int32_t>(beta));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i w = load8_u32(weights + i);
    const __m256i m = blend_sum(load8_u32(s1 + i), load8_u32(s2 + i), b);
    store_u32(sums + i, _mm256_add_epi32(load_u32(sums + i), _mm256_mullo_epi32(w, m)));
    store_u32(totals + i, _mm256_add_epi32(load_u32(totals + i), _mm256_slli_epi32(w, 10)));
  }
  if (i < n) {
    accumulate_pixels_c(sums + i, totals + i, weights + i, s1 + i, s2 + i, n - i, beta, alpha);
  }
}

void add_weights_row_avx2(uint32_t* totals, const uint8_t* weights, int32_t n) {
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    store_u32(totals + i, _mm256_add_epi32(load_u32(totals + i), _mm256_slli_epi32(load8_u32(weights + i), 10)));
  }
  if (i < n) add_weights_row_c(totals + i, weights + i, n - i);
}

void resolve_row_avx2(uint8_t* out, uint32_t* sums, uint32_t* totals,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha) {
  const __m256i b = _mm256_set1_epi32(static_cast<int32_t>(beta));
  const __m256i half_blend = _mm256_set1_epi32(512);
  const __m256i blend_total = _mm256_set1_epi32(1024);
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i total = load_u32(totals + i);
    const __m256i none = _mm256_cmpeq_epi32(total, _mm256_setzero_si256());
    const __m256i sum = _mm256_add_epi32(load_u32(sums + i), _mm256_srli_epi32(total, 1));
    const __m256i blend = _mm256_add_epi32(blend_sum(load8_u32(s1 + i), load8_u32(s2 + i), b), half_blend);
    const __m256i x = _mm256_blendv_epi8(sum, blend, none);
    const __m256i y = _mm256_blendv_epi8(total, blend_total, none);
    const __m128i lo = divide(_mm256_castsi256_si128(x), _mm256_castsi256_si128(y));
    const __m128i hi = divide(_mm256_extracti128_si256(x, 1), _mm256_extracti128_si256(y, 1));
    const __m128i words = _mm_packs_epi32(lo, hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
    store_u32(sums + i, _mm256_setzero_si256());
    store_u32(totals + i, _mm256_setzero_si256());
  }
  if (i < n) resolve_row_c(out + i, sums + i, totals + i, s1 + i, s2 + i, n - i, beta, alpha);
}

}  // namespace frameinterp
