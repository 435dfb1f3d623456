#include <immintrin.h>

#include "motion/kernels/pair_gather.h"

namespace frameinterp {
namespace {

// Sixteen samples at a time, as 16-bit lanes: sixteen of one row, or eight
// of each of two rows (the shape of a chroma cell).
template <bool kTwoRows>
__m256i load16(const uint8_t* p, ptrdiff_t stride) {
  if constexpr (kTwoRows) {
    const __m128i top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    const __m128i bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride));
    return _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(top, bottom));
  } else {
    (void)stride;
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
}

template <bool kTwoRows>
void store16(uint8_t* p, ptrdiff_t stride, __m128i bytes) {
  if constexpr (kTwoRows) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), bytes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + stride), _mm_unpackhi_epi64(bytes, bytes));
  } else {
    (void)stride;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), bytes);
  }
}

// floor(m / w) for lanes 0 <= m < 2^19, 0 < w < 2^11: both are exact as
// floats, and a quotient that is not a whole number lies more than 2^-19 of
// itself below the next one, farther than the 2^-24 of one rounding, so the
// truncated float quotient is exact. Lanes with w = 0 give garbage.
__m256i floor_divide(__m256i m, __m256i w) {
  return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(m), _mm256_cvtepi32_ps(w)));
}

struct Constants {
  __m256i beta = _mm256_set1_epi32(0);
  // beta | alpha << 16: one multiply-add of interleaved (own1, own2) blends them.
  __m256i blend_weights = _mm256_set1_epi32(0);
  explicit Constants(const GatherRect& rect)
      : beta(_mm256_set1_epi32(static_cast<int32_t>(rect.beta))),
        blend_weights(_mm256_set1_epi32(static_cast<int32_t>(rect.beta | rect.alpha << 16))) {}
};

// Sixteen samples from offset `row` x stride + c of every rectangle. The
// pairs are taken two at a time: their weights and samples interleaved as
// 16-bit lanes, one multiply-add gives w0 x s0 + w1 x s1 per 32-bit lane (at
// most 130,050). The 32-bit lanes hold, in the unpacked order, samples 0-3
// and 8-11 (low) or 4-7 and 12-15 (high); packing the two halves back
// restores the order.
template <int32_t kPairs, bool kTwoRows>
void gather16(const GatherRect& rect, const Constants& k, int32_t r, int32_t c) {
  const ptrdiff_t ws = rect.weights_stride, ss = rect.samples_stride;
  const ptrdiff_t wo = r * ws + c, so = r * ss + c;
  const __m256i zero = _mm256_setzero_si256();
  __m256i first_lo = zero, first_hi = zero, second_lo = zero, second_hi = zero, weight = zero;
  for (int32_t p = 0; p < kPairs; p += 2) {
    const GatherPair& p0 = rect.pair[p];
    const __m256i w0 = load16<kTwoRows>(p0.weights + wo, ws);
    const __m256i a0 = load16<kTwoRows>(p0.first + so, ss);
    const __m256i b0 = load16<kTwoRows>(p0.second + so, ss);
    __m256i w1 = zero, a1 = zero, b1 = zero;
    if (p + 1 < kPairs) {
      const GatherPair& p1 = rect.pair[p + 1];
      w1 = load16<kTwoRows>(p1.weights + wo, ws);
      a1 = load16<kTwoRows>(p1.first + so, ss);
      b1 = load16<kTwoRows>(p1.second + so, ss);
    }
    const __m256i w_lo = _mm256_unpacklo_epi16(w0, w1), w_hi = _mm256_unpackhi_epi16(w0, w1);
    first_lo = _mm256_add_epi32(first_lo, _mm256_madd_epi16(w_lo, _mm256_unpacklo_epi16(a0, a1)));
    first_hi = _mm256_add_epi32(first_hi, _mm256_madd_epi16(w_hi, _mm256_unpackhi_epi16(a0, a1)));
    second_lo = _mm256_add_epi32(second_lo, _mm256_madd_epi16(w_lo, _mm256_unpacklo_epi16(b0, b1)));
    second_hi = _mm256_add_epi32(second_hi, _mm256_madd_epi16(w_hi, _mm256_unpackhi_epi16(b0, b1)));
    weight = _mm256_add_epi16(weight, _mm256_add_epi16(w0, w1));
  }
  // (sum + 512 W) >> 10 with sum = beta x A + alpha x B = 1024 x B +
  // beta x (A - B): one multiplication; A - B may be negative, the sum
  // (< 2^29) is not.
  const auto mean = [&](__m256i a, __m256i b, __m256i w) {
    const __m256i sum = _mm256_add_epi32(_mm256_slli_epi32(b, 10), _mm256_mullo_epi32(_mm256_sub_epi32(a, b), k.beta));
    return floor_divide(_mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_slli_epi32(w, 9)), 10), w);
  };
  __m256i words = _mm256_packus_epi32(mean(first_lo, second_lo, _mm256_unpacklo_epi16(weight, zero)),
                                      mean(first_hi, second_hi, _mm256_unpackhi_epi16(weight, zero)));
  const __m256i none = _mm256_cmpeq_epi16(weight, zero);
  if (!_mm256_testz_si256(none, none)) {
    const ptrdiff_t os = rect.own_stride, oo = r * os + c;
    const __m256i o1 = load16<kTwoRows>(rect.own_first + oo, os);
    const __m256i o2 = load16<kTwoRows>(rect.own_second + oo, os);
    const __m256i half = _mm256_set1_epi32(512);
    const auto blend = [&](__m256i own) {
      return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(own, k.blend_weights), half), 10);
    };
    const __m256i blended = _mm256_packus_epi32(blend(_mm256_unpacklo_epi16(o1, o2)),
                                                blend(_mm256_unpackhi_epi16(o1, o2)));
    words = _mm256_blendv_epi8(words, blended, none);
  }
  const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
  store16<kTwoRows>(rect.out + r * rect.out_stride + c, rect.out_stride, bytes);
}

template <int32_t kPairs>
void gather_rows(const GatherRect& rect) {
  const Constants k(rect);
  if (rect.cols == 8) {
    int32_t r = 0;
    for (; r + 2 <= rect.rows; r += 2) gather16<kPairs, true>(rect, k, r, 0);
    if (r < rect.rows) gather_pairs_c(gather_part(rect, r, 1, 0));
    return;
  }
  const int32_t whole = rect.cols & ~15;
  for (int32_t r = 0; r < rect.rows; ++r) {
    for (int32_t c = 0; c < whole; c += 16) gather16<kPairs, false>(rect, k, r, c);
  }
  if (whole < rect.cols) gather_pairs_c(gather_part(rect, 0, rect.rows, whole));
}

}  // namespace

void gather_pairs_avx2(const GatherRect& rect) {
  // Each pair count has its own unrolled loop; five is the most a pixel has.
  static constexpr void (*kRows[])(const GatherRect&) = {
      gather_rows<0>, gather_rows<1>, gather_rows<2>, gather_rows<3>, gather_rows<4>, gather_rows<5>};
  kRows[rect.pairs < 5 ? rect.pairs : 5](rect);
}

}  // namespace frameinterp
