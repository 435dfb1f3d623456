#include <immintrin.h>

#include <cstring>

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
  // Without pairs every sample is the plain blend.
  __m256i words = zero;
  if constexpr (kPairs > 0) {
    words = _mm256_packus_epi32(mean(first_lo, second_lo, _mm256_unpacklo_epi16(weight, zero)),
                                mean(first_hi, second_hi, _mm256_unpackhi_epi16(weight, zero)));
  }
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

// A tile of 32 samples (see WindowTiles): rows r and r + 1 of 16 bytes, one
// per 128-bit half, or four rows of 8, two per half. Broadcasts and blends
// keep the 8-byte rows off the shuffle port.
template <int32_t kRowBytes>
[[gnu::always_inline]] inline __m256i load_tile(const uint8_t* p, ptrdiff_t stride) {
  if constexpr (kRowBytes == 16) {
    const __m128i top = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(top),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + stride)), 1);
  } else {
    const auto row = [&](int32_t i) {
      int64_t bytes;
      std::memcpy(&bytes, p + i * stride, 8);
      return _mm256_set1_epi64x(bytes);
    };
    const __m256i rows01 = _mm256_blend_epi32(row(0), row(1), 0x0c);
    return _mm256_blend_epi32(_mm256_blend_epi32(rows01, row(2), 0x30), row(3), 0xc0);
  }
}

template <int32_t kRowBytes>
[[gnu::always_inline]] inline void store_tile(uint8_t* p, ptrdiff_t stride, __m256i bytes) {
  const __m128i top = _mm256_castsi256_si128(bytes), bottom = _mm256_extracti128_si256(bytes, 1);
  if constexpr (kRowBytes == 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), top);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + stride), bottom);
  } else {
    // (The high halves through a shuffle: a store of them as a double would
    // be a misaligned double.)
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), top);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + stride), _mm_unpackhi_epi64(top, top));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 2 * stride), bottom);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 3 * stride), _mm_unpackhi_epi64(bottom, bottom));
  }
}

// Two pairs' samples of one frame over a tile, interleaved byte by byte and
// widened in each half: sum[j] gets w0 x s0 + w1 x s1 (at most 130,050) for
// bytes 4 j to 4 j + 3 of each half, the tile's entries 8 j to 8 j + 7.
template <int32_t kRowBytes, bool kFirst>
[[gnu::always_inline]] inline void add_two_pairs(const uint8_t* s0, const uint8_t* s1, ptrdiff_t stride, const uint32_t* weights,
                   __m256i sum[4]) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i x0 = load_tile<kRowBytes>(s0, stride), x1 = load_tile<kRowBytes>(s1, stride);
  const __m256i lo = _mm256_unpacklo_epi8(x0, x1), hi = _mm256_unpackhi_epi8(x0, x1);
  const __m256i words[4] = {_mm256_unpacklo_epi8(lo, zero), _mm256_unpackhi_epi8(lo, zero),
                            _mm256_unpacklo_epi8(hi, zero), _mm256_unpackhi_epi8(hi, zero)};
  for (int32_t j = 0; j < 4; ++j) {
    const __m256i w = _mm256_load_si256(reinterpret_cast<const __m256i*>(weights + 8 * j));
    const __m256i product = _mm256_madd_epi16(w, words[j]);
    sum[j] = kFirst ? product : _mm256_add_epi32(sum[j], product);
  }
}

// The four pairs of a whole cell, weights from tiles: the same sums as
// gather16, in the tile's order, and floor(m / W) as the product with W's
// reciprocal (exact, see window_reciprocal) instead of a division. Every W
// is positive, so no sample takes the plain blend.
template <int32_t kRowBytes>
void gather_tiles(const GatherRect& rect) {
  constexpr int32_t kTileRows = kTileSamples / kRowBytes;
  const __m256i beta = _mm256_set1_epi32(static_cast<int32_t>(rect.beta));
  const ptrdiff_t ss = rect.samples_stride, os = rect.out_stride;
  const WindowTiles* const t = rect.tiles;
  const int32_t columns = rect.cols / kRowBytes;
  for (int32_t c = 0; c < rect.cols; c += kRowBytes) {
    // One column of tiles: every stream moves on by the same offset.
    const uint8_t* const a0 = rect.pair[0].first + c;
    const uint8_t* const a1 = rect.pair[1].first + c;
    const uint8_t* const a2 = rect.pair[2].first + c;
    const uint8_t* const a3 = rect.pair[3].first + c;
    const uint8_t* const b0 = rect.pair[0].second + c;
    const uint8_t* const b1 = rect.pair[1].second + c;
    const uint8_t* const b2 = rect.pair[2].second + c;
    const uint8_t* const b3 = rect.pair[3].second + c;
    uint8_t* out = rect.out + c;
    int32_t n = c / kRowBytes;
    for (ptrdiff_t at = 0; at < rect.rows * ss; at += kTileRows * ss, out += kTileRows * os, n += columns) {
      __m256i first[4], second[4];
      add_two_pairs<kRowBytes, true>(a0 + at, a1 + at, ss, t->weights01[n], first);
      add_two_pairs<kRowBytes, false>(a2 + at, a3 + at, ss, t->weights23[n], first);
      add_two_pairs<kRowBytes, true>(b0 + at, b1 + at, ss, t->weights01[n], second);
      add_two_pairs<kRowBytes, false>(b2 + at, b3 + at, ss, t->weights23[n], second);
      __m256i mean[4];
      for (int32_t j = 0; j < 4; ++j) {
        // (1024 x B + beta x (A - B) + 512 W) >> 10 < 2^19, as in gather16,
        // is B + ((beta x (A - B) + 512 W) >> 10), the shift arithmetic.
        const __m256i half = _mm256_load_si256(reinterpret_cast<const __m256i*>(t->half_total[n] + 8 * j));
        const __m256i part = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(first[j], second[j]), beta), half);
        const __m256i m = _mm256_add_epi32(second[j], _mm256_srai_epi32(part, 10));
        const __m256 reciprocal = _mm256_load_ps(t->reciprocal[n] + 8 * j);
        mean[j] = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(m), reciprocal));
      }
      const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(mean[0], mean[1]),
                                                _mm256_packus_epi32(mean[2], mean[3]));
      store_tile<kRowBytes>(out, os, bytes);
    }
  }
}

}  // namespace

void gather_pairs_avx2(const GatherRect& rect) {
  if (rect.tiles) {
    rect.cols == 8 ? gather_tiles<8>(rect) : gather_tiles<16>(rect);
    return;
  }
  // Each pair count has its own unrolled loop; five is the most a pixel has.
  static constexpr void (*kRows[])(const GatherRect&) = {
      gather_rows<0>, gather_rows<1>, gather_rows<2>, gather_rows<3>, gather_rows<4>, gather_rows<5>};
  kRows[rect.pairs < 5 ? rect.pairs : 5](rect);
}

}  // namespace frameinterp
