#include <emmintrin.h>

#include "motion/kernels/weighted_sums.h"

namespace frameinterp {
namespace {

__m128i load8_u16(const uint8_t* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}

// Eight weights as u16: p[0 .. 7], or with step 2 p[0], p[2], .., p[14]
// (read as bytes 0 .. 7 and 7 .. 14, nothing past the last weight).
__m128i load_weights(const uint8_t* p, int32_t step) {
  if (step == 1) return load8_u16(p);
  const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  const __m128i high = _mm_srli_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 7)), 8);
  return _mm_and_si128(_mm_unpacklo_epi64(low, high), _mm_set1_epi16(0xFF));
}

__m128i load_u32(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void store_u32(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Four totals: t[0 .. 3], or with step 2 t[0], t[2], t[4], t[6] from the
// eight-element half `half` (0 or 1) of t[0 .. 14] (nothing past t[14] read).
__m128i load_totals(const uint32_t* t, int32_t step, int half) {
  if (step == 1) return load_u32(t + 4 * half);
  if (half == 0) {
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(load_u32(t)),
                                           _mm_castsi128_ps(load_u32(t + 4)), _MM_SHUFFLE(2, 0, 2, 0)));
  }
  return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(load_u32(t + 8)),
                                         _mm_castsi128_ps(load_u32(t + 11)), _MM_SHUFFLE(3, 1, 2, 0)));
}

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

}  // namespace

void accumulate_pairs_sse2(const PairRect& rect) {
  const __m128i b16 = _mm_set1_epi16(static_cast<int16_t>(rect.beta));
  const __m128i a16 = _mm_set1_epi16(static_cast<int16_t>(rect.alpha));
  const __m128i zero = _mm_setzero_si128();
  const int32_t whole = rect.weight_step <= 2 ? rect.cols & ~7 : 0;
  for (int32_t r = 0; r < rect.rows; ++r) {
    const PairRect row = row_of(rect, r);
    for (int32_t c = 0; c < whole; c += 8) {
      const __m128i w = load_weights(row.weights + c * rect.weight_step, rect.weight_step);
      // w x s <= 65,025 fits u16; its product with beta or alpha (<= 1023) is
      // assembled from the low and high 16-bit halves.
      const __m128i ws1 = _mm_mullo_epi16(w, load8_u16(row.first + c));
      const __m128i ws2 = _mm_mullo_epi16(w, load8_u16(row.second + c));
      const __m128i p_lo = _mm_mullo_epi16(ws1, b16), p_hi = _mm_mulhi_epu16(ws1, b16);
      const __m128i q_lo = _mm_mullo_epi16(ws2, a16), q_hi = _mm_mulhi_epu16(ws2, a16);
      store_u32(row.sums + c, _mm_add_epi32(load_u32(row.sums + c), _mm_add_epi32(_mm_unpacklo_epi16(p_lo, p_hi),
                                                                          _mm_unpacklo_epi16(q_lo, q_hi))));
      store_u32(row.sums + c + 4, _mm_add_epi32(load_u32(row.sums + c + 4), _mm_add_epi32(_mm_unpackhi_epi16(p_lo, p_hi),
                                                                                  _mm_unpackhi_epi16(q_lo, q_hi))));
      if (row.totals) {
        store_u32(row.totals + c, _mm_add_epi32(load_u32(row.totals + c), _mm_slli_epi32(_mm_unpacklo_epi16(w, zero), 10)));
        store_u32(row.totals + c + 4,
                  _mm_add_epi32(load_u32(row.totals + c + 4), _mm_slli_epi32(_mm_unpackhi_epi16(w, zero), 10)));
      }
    }
    if (whole < rect.cols) accumulate_pairs_c(row_of(rect, r, whole));
  }
}

void resolve_row_sse2(uint8_t* out, uint32_t* sums, const uint32_t* totals, int32_t total_step,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha) {
  // (beta, alpha) word pairs: pmaddwd of interleaved (s1, s2) words gives
  // beta x s1 + alpha x s2 exactly.
  const __m128i coefficients = _mm_set1_epi32(static_cast<int32_t>(beta | (alpha << 16)));
  const __m128i zero = _mm_setzero_si128();
  const __m128i half_blend = _mm_set1_epi32(512);
  const __m128i blend_total = _mm_set1_epi32(1024);
  const int32_t whole = total_step <= 2 ? n & ~7 : 0;
  for (int32_t i = 0; i < whole; i += 8) {
    const __m128i a = load8_u16(s1 + i), b = load8_u16(s2 + i);
    __m128i values[2];
    for (int h = 0; h < 2; ++h) {
      const __m128i pairs = h == 0 ? _mm_unpacklo_epi16(a, b) : _mm_unpackhi_epi16(a, b);
      const __m128i blend = _mm_add_epi32(_mm_madd_epi16(pairs, coefficients), half_blend);
      const __m128i total = load_totals(totals + i * total_step, total_step, h);
      const __m128i none = _mm_cmpeq_epi32(total, zero);
      const __m128i sum = _mm_add_epi32(load_u32(sums + i + 4 * h), _mm_srli_epi32(total, 1));
      values[h] = divide(select(none, blend, sum), select(none, blend_total, total));
      store_u32(sums + i + 4 * h, zero);
    }
    const __m128i words = _mm_packs_epi32(values[0], values[1]);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  if (whole < n) {
    resolve_row_c(out + whole, sums + whole, totals + whole * total_step, total_step, s1 + whole,
                  s2 + whole, n - whole, beta, alpha);
  }
}

}  // namespace frameinterp
