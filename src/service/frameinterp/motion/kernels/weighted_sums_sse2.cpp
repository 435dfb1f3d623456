#include <emmintrin.h>

#include "motion/kernels/weighted_sums.h"

namespace frameinterp {
namespace {

__m128i load8_u16(const uint8_t* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}

__m128i load_u32(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void store_u32(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// (x / y) truncated for four lanes 0 <= x < 2^31, 0 < y: exact through double
// (the quotient is below 256 and the remainder at least 1 / y, far above the
// rounding error).
__m128i divide(__m128i x, __m128i y) {
  const __m128d lo = _mm_div_pd(_mm_cvtepi32_pd(x), _mm_cvtepi32_pd(y));
  const __m128d hi = _mm_div_pd(_mm_cvtepi32_pd(_mm_srli_si128(x, 8)), _mm_cvtepi32_pd(_mm_srli_si128(y, 8)));
  return _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
}

__m128i select(__m128i mask, __m128i if_set, __m128i if_clear) {
  return _mm_or_si128(_mm_and_si128(mask, if_set), _mm_andnot_si128(mask, if_clear));
}

// totals[i .. i + 7] += w x 1024, w eight 16-bit weights.
void add_weights8(uint32_t* totals, __m128i w) {
  const __m128i zero = _mm_setzero_si128();
  store_u32(totals, _mm_add_epi32(load_u32(totals), _mm_slli_epi32(_mm_unpacklo_epi16(w, zero), 10)));
  store_u32(totals + 4,
            _mm_add_epi32(load_u32(totals + 4), _mm_slli_epi32(_mm_unpackhi_epi16(w, zero), 10)));
}

}  // namespace

void accumulate_row_sse2(uint32_t* sums, const uint8_t* weights, const uint8_t* s1,
                         const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha) {
  const __m128i b16 = _mm_set1_epi16(static_cast<int16_t>(beta));
  const __m128i a16 = _mm_set1_epi16(static_cast<int16_t>(alpha));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i w = load8_u16(weights + i);
    // w x s <= 65,025 fits u16; its product with beta or alpha (<= 1023) is
    // assembled from the low and high 16-bit halves.
    const __m128i ws1 = _mm_mullo_epi16(w, load8_u16(s1 + i));
    const __m128i ws2 = _mm_mullo_epi16(w, load8_u16(s2 + i));
    const __m128i p_lo = _mm_mullo_epi16(ws1, b16), p_hi = _mm_mulhi_epu16(ws1, b16);
    const __m128i q_lo = _mm_mullo_epi16(ws2, a16), q_hi = _mm_mulhi_epu16(ws2, a16);
    const __m128i first = _mm_add_epi32(_mm_unpacklo_epi16(p_lo, p_hi), _mm_unpacklo_epi16(q_lo, q_hi));
    const __m128i second = _mm_add_epi32(_mm_unpackhi_epi16(p_lo, p_hi), _mm_unpackhi_epi16(q_lo, q_hi));
    store_u32(sums + i, _mm_add_epi32(load_u32(sums + i), first));
    store_u32(sums + i + 4, _mm_add_epi32(load_u32(sums + i + 4), second));
  }
  if (i < n) accumulate_row_c(sums + i, weights + i, s1 + i, s2 + i, n - i, beta, alpha);
}

void accumulate_pixels_sse2(uint32_t* sums, uint32_t* totals, const uint8_t* weights,
                            const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                            uint32_t alpha) {
  const int32_t whole = n & ~7;
  accumulate_row_sse2(sums, weights, s1, s2, whole, beta, alpha);
  for (int32_t i = 0; i < whole; i += 8) add_weights8(totals + i, load8_u16(weights + i));
  if (whole < n) {
    accumulate_pixels_c(sums + whole, totals + whole, weights + whole, s1 + whole, s2 + whole,
                        n - whole, beta, alpha);
  }
}

void add_weights_row_sse2(uint32_t* totals, const uint8_t* weights, int32_t n) {
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) add_weights8(totals + i, load8_u16(weights + i));
  if (i < n) add_weights_row_c(totals + i, weights + i, n - i);
}

void resolve_row_sse2(uint8_t* out, uint32_t* sums, uint32_t* totals,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha) {
  // (beta, alpha) word pairs: pmaddwd of interleaved (s1, s2) words gives
  // beta x s1 + alpha x s2 exactly.
  const __m128i coefficients = _mm_set1_epi32(static_cast<int32_t>(beta | (alpha << 16)));
  const __m128i zero = _mm_setzero_si128();
  const __m128i half_blend = _mm_set1_epi32(512);
  const __m128i blend_total = _mm_set1_epi32(1024);
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i a = load8_u16(s1 + i), b = load8_u16(s2 + i);
    __m128i values[2];
    for (int h = 0; h < 2; ++h) {
      const __m128i pairs = h == 0 ? _mm_unpacklo_epi16(a, b) : _mm_unpackhi_epi16(a, b);
      const __m128i blend = _mm_add_epi32(_mm_madd_epi16(pairs, coefficients), half_blend);
      const __m128i total = load_u32(totals + i + 4 * h);
      const __m128i none = _mm_cmpeq_epi32(total, zero);
      const __m128i sum = _mm_add_epi32(load_u32(sums + i + 4 * h), _mm_srli_epi32(total, 1));
      values[h] = divide(select(none, blend, sum), select(none, blend_total, total));
      store_u32(sums + i + 4 * h, zero);
      store_u32(totals + i + 4 * h, zero);
    }
    const __m128i words = _mm_packs_epi32(values[0], values[1]);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  if (i < n) resolve_row_c(out + i, sums + i, totals + i, s1 + i, s2 + i, n - i, beta, alpha);
}

}  // namespace frameinterp
