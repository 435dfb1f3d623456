#include <immintrin.h>

#include "motion/kernels/weighted_sums.h"

namespace frameinterp {
namespace {

__m256i load8_u32(const uint8_t* p) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// Eight weights: p[0 .. 7], or with step 2 p[0], p[2], .., p[14] (read as
// bytes 0 .. 7 and 7 .. 14, nothing past the last weight).
__m256i load_weights(const uint8_t* p, int32_t step) {
  if (step == 1) return load8_u32(p);
  const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  const __m128i high = _mm_srli_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 7)), 8);
  return _mm256_cvtepu16_epi32(_mm_and_si128(_mm_unpacklo_epi64(low, high), _mm_set1_epi16(0xFF)));
}

__m256i load_u32(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
void store_u32(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Eight totals: t[0 .. 7], or with step 2 t[0], t[2], .., t[14] (read as
// t[0 .. 7] and t[7 .. 14], nothing past the last).
__m256i load_totals(const uint32_t* t, int32_t step) {
  if (step == 1) return load_u32(t);
  const __m256i evens = _mm256_permutevar8x32_epi32(load_u32(t), _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
  const __m256i odds = _mm256_permutevar8x32_epi32(load_u32(t + 7), _mm256_setr_epi32(1, 3, 5, 7, 1, 3, 5, 7));
  return _mm256_blend_epi32(evens, odds, 0xF0);
}

// beta x s1 + alpha x s2 = beta x (s1 - s2) + 1024 x s2: one multiplication.
__m256i blend_sum(__m256i s1, __m256i s2, __m256i beta) {
  return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(s1, s2), beta), _mm256_slli_epi32(s2, 10));
}

// x / y truncated for eight lanes 0 <= x < 2^31, 0 < y, x / y < 256. The
// float estimate x x (1 / y) is off by less than 256 x 2^-11 (reciprocal and
// conversions), so its truncation is the quotient or one beside it; the
// remainder x - q x y, negative or not below y, says which.
__m256i divide(__m256i x, __m256i y) {
  const __m256 estimate = _mm256_mul_ps(_mm256_cvtepi32_ps(x), _mm256_rcp_ps(_mm256_cvtepi32_ps(y)));
  __m256i q = _mm256_cvttps_epi32(estimate);
  const __m256i r = _mm256_sub_epi32(x, _mm256_mullo_epi32(q, y));
  q = _mm256_add_epi32(q, _mm256_cmpgt_epi32(_mm256_setzero_si256(), r));  // r < 0: one less
  return _mm256_sub_epi32(q, _mm256_cmpgt_epi32(r, _mm256_sub_epi32(y, _mm256_set1_epi32(1))));
}

}  // namespace

void accumulate_pairs_avx2(const PairRect& rect) {
  const __m256i beta = _mm256_set1_epi32(static_cast<int32_t>(rect.beta));
  const int32_t whole = rect.weight_step <= 2 ? rect.cols & ~7 : 0;
  for (int32_t r = 0; r < rect.rows; ++r) {
    const PairRect row = row_of(rect, r);
    for (int32_t c = 0; c < whole; c += 8) {
      const __m256i w = load_weights(row.weights + c * rect.weight_step, rect.weight_step);
      const __m256i m = blend_sum(load8_u32(row.first + c), load8_u32(row.second + c), beta);
      store_u32(row.sums + c, _mm256_add_epi32(load_u32(row.sums + c), _mm256_mullo_epi32(w, m)));
      if (row.totals) store_u32(row.totals + c, _mm256_add_epi32(load_u32(row.totals + c), _mm256_slli_epi32(w, 10)));
    }
    if (whole < rect.cols) accumulate_pairs_c(row_of(rect, r, whole));
  }
}

void resolve_row_avx2(uint8_t* out, uint32_t* sums, const uint32_t* totals, int32_t total_step,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha) {
  const __m256i b = _mm256_set1_epi32(static_cast<int32_t>(beta));
  const __m256i half_blend = _mm256_set1_epi32(512);
  const __m256i blend_total = _mm256_set1_epi32(1024);
  const int32_t whole = total_step <= 2 ? n & ~7 : 0;
  for (int32_t i = 0; i < whole; i += 8) {
    const __m256i total = load_totals(totals + i * total_step, total_step);
    const __m256i none = _mm256_cmpeq_epi32(total, _mm256_setzero_si256());
    const __m256i sum = _mm256_add_epi32(load_u32(sums + i), _mm256_srli_epi32(total, 1));
    const __m256i blend = _mm256_add_epi32(blend_sum(load8_u32(s1 + i), load8_u32(s2 + i), b), half_blend);
    const __m256i x = _mm256_blendv_epi8(sum, blend, none);
    const __m256i y = _mm256_blendv_epi8(total, blend_total, none);
    const __m256i q = divide(x, y);
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
    store_u32(sums + i, _mm256_setzero_si256());
  }
  if (whole < n) {
    resolve_row_c(out + whole, sums + whole, totals + whole * total_step, total_step, s1 + whole,
                  s2 + whole, n - whole, beta, alpha);
  }
}

}  // namespace frameinterp
