#include <emmintrin.h>

#include "motion/kernels/pair_gather.h"

namespace frameinterp {
namespace {

__m128i load8_u16(const uint8_t* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}

// a x b for four 32-bit lanes (low 32 bits of each product).
__m128i multiply_u32(__m128i a, __m128i b) {
  const __m128i even = _mm_mul_epu32(a, b);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// floor(m / w) for lanes 0 <= m < 2^19, 0 < w < 2^11: both are exact as
// floats, and a quotient that is not a whole number lies more than 2^-19 of
// itself below the next one, farther than the 2^-24 of one rounding, so the
// truncated float quotient is exact. Lanes with w = 0 give garbage.
__m128i floor_divide(__m128i m, __m128i w) {
  return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(m), _mm_cvtepi32_ps(w)));
}

// Eight samples from column c of row r. The pairs are taken two at a time:
// their weights and samples interleaved as 16-bit lanes, one multiply-add
// gives w0 x s0 + w1 x s1 per 32-bit lane (at most 130,050), samples 0-3 in
// the low half and 4-7 in the high half.
template <int32_t kPairs>
void gather8(const GatherRect& rect, int32_t r, int32_t c) {
  const ptrdiff_t wo = r * rect.weights_stride + c, so = r * rect.samples_stride + c;
  const __m128i zero = _mm_setzero_si128();
  __m128i first_lo = zero, first_hi = zero, second_lo = zero, second_hi = zero, weight = zero;
  for (int32_t p = 0; p < kPairs; p += 2) {
    const GatherPair& p0 = rect.pair[p];
    const __m128i w0 = load8_u16(p0.weights + wo);
    const __m128i a0 = load8_u16(p0.first + so), b0 = load8_u16(p0.second + so);
    __m128i w1 = zero, a1 = zero, b1 = zero;
    if (p + 1 < kPairs) {
      const GatherPair& p1 = rect.pair[p + 1];
      w1 = load8_u16(p1.weights + wo);
      a1 = load8_u16(p1.first + so);
      b1 = load8_u16(p1.second + so);
    }
    const __m128i w_lo = _mm_unpacklo_epi16(w0, w1), w_hi = _mm_unpackhi_epi16(w0, w1);
    first_lo = _mm_add_epi32(first_lo, _mm_madd_epi16(w_lo, _mm_unpacklo_epi16(a0, a1)));
    first_hi = _mm_add_epi32(first_hi, _mm_madd_epi16(w_hi, _mm_unpackhi_epi16(a0, a1)));
    second_lo = _mm_add_epi32(second_lo, _mm_madd_epi16(w_lo, _mm_unpacklo_epi16(b0, b1)));
    second_hi = _mm_add_epi32(second_hi, _mm_madd_epi16(w_hi, _mm_unpackhi_epi16(b0, b1)));
    weight = _mm_add_epi16(weight, _mm_add_epi16(w0, w1));
  }
  const __m128i beta = _mm_set1_epi32(static_cast<int32_t>(rect.beta));
  // (sum + 512 W) >> 10 with sum = beta x A + alpha x B = 1024 x B +
  // beta x (A - B): one multiplication; A - B may be negative, the sum
  // (< 2^29) is not.
  const auto mean = [&](__m128i a, __m128i b, __m128i w) {
    const __m128i sum = _mm_add_epi32(_mm_slli_epi32(b, 10), multiply_u32(_mm_sub_epi32(a, b), beta));
    return floor_divide(_mm_srli_epi32(_mm_add_epi32(sum, _mm_slli_epi32(w, 9)), 10), w);
  };
  // The quotients are 0 .. 255 where a pair has weight (garbage elsewhere,
  // replaced below), so signed packing keeps them. Without pairs every
  // sample is the plain blend.
  __m128i words = zero;
  if constexpr (kPairs > 0) {
    words = _mm_packs_epi32(mean(first_lo, second_lo, _mm_unpacklo_epi16(weight, zero)),
                            mean(first_hi, second_hi, _mm_unpackhi_epi16(weight, zero)));
  }
  const __m128i none = _mm_cmpeq_epi16(weight, zero);
  if (_mm_movemask_epi8(none) != 0) {
    const ptrdiff_t oo = r * rect.own_stride + c;
    const __m128i o1 = load8_u16(rect.own_first + oo), o2 = load8_u16(rect.own_second + oo);
    // beta | alpha << 16: one multiply-add of interleaved (own1, own2) blends them.
    const __m128i blend_weights = _mm_set1_epi32(static_cast<int32_t>(rect.beta | rect.alpha << 16));
    const __m128i half = _mm_set1_epi32(512);
    const auto blend = [&](__m128i own) {
      return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(own, blend_weights), half), 10);
    };
    const __m128i blended = _mm_packs_epi32(blend(_mm_unpacklo_epi16(o1, o2)), blend(_mm_unpackhi_epi16(o1, o2)));
    words = _mm_or_si128(_mm_and_si128(none, blended), _mm_andnot_si128(none, words));
  }
  _mm_storel_epi64(reinterpret_cast<__m128i*>(rect.out + r * rect.out_stride + c),
                   _mm_packus_epi16(words, words));
}

template <int32_t kPairs>
void gather_rows(const GatherRect& rect) {
  const int32_t whole = rect.cols & ~7;
  for (int32_t r = 0; r < rect.rows; ++r) {
    for (int32_t c = 0; c < whole; c += 8) gather8<kPairs>(rect, r, c);
  }
  if (whole < rect.cols) gather_pairs_c(gather_part(rect, 0, rect.rows, whole));
}

}  // namespace

void gather_pairs_sse2(const GatherRect& rect) {
  // Each pair count has its own unrolled loop; five is the most a pixel has.
  static constexpr void (*kRows[])(const GatherRect&) = {
      gather_rows<0>, gather_rows<1>, gather_rows<2>, gather_rows<3>, gather_rows<4>, gather_rows<5>};
  kRows[rect.pairs < 5 ? rect.pairs : 5](rect);
}

}  // namespace frameinterp
