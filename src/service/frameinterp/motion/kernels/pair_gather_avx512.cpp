// The gathering of whole cells with AVX-512: the four pairs' samples of a
// sample sit side by side as the four bytes of one 32-bit lane, so that one
// byte dot product (VNNI) gives the lane its weighted sum over all four
// pairs, where the AVX2 twin widens, interleaves and multiplies two pairs at
// a time. Rectangles without tiles go to the AVX2 twin.
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics start some results from a deliberately
// undefined register, which its own warning then reports once inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstring>

#include "motion/kernels/pair_gather.h"

namespace frameinterp {
namespace {

// The byte permutes (VBMI) that put byte i of each of four pieces into lane
// i, k-th byte from piece k: from four 16-byte rows, one row of each pair
// ([0]); from eight 8-byte rows, rows r and r + 1 of each pair, lanes 0-7
// from row r and 8-15 from row r + 1 ([1]).
struct PieceOrders {
  alignas(64) uint8_t index[2][64];
  constexpr PieceOrders() : index{} {
    for (int i = 0; i < 16; ++i) {
      for (int k = 0; k < 4; ++k) {
        index[0][4 * i + k] = static_cast<uint8_t>(16 * k + i);
        index[1][4 * i + k] = static_cast<uint8_t>(i < 8 ? 8 * k + i : 32 + 8 * k + i - 8);
      }
    }
  }
};
constexpr PieceOrders kPieceOrders;

// The four pairs' samples of sixteen positions at offset `at` of one frame's
// four streams, as pieces in the order kPieceOrders reads: a row of 16 bytes
// of each stream, or rows at and at + stride of 8 bytes.
template <int32_t kRowBytes>
[[gnu::always_inline]] inline __m512i pieces(const uint8_t* const* p, ptrdiff_t at, ptrdiff_t stride) {
  if constexpr (kRowBytes == 16) {
    (void)stride;
    __m512i z = _mm512_castsi128_si512(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[0] + at)));
    z = _mm512_inserti32x4(z, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[1] + at)), 1);
    z = _mm512_inserti32x4(z, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[2] + at)), 2);
    return _mm512_inserti32x4(z, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[3] + at)), 3);
  } else {
    // Each 8-byte row broadcast into its own quarter under a mask.
    const auto row = [&](int32_t k, ptrdiff_t offset) {
      int64_t bytes;
      std::memcpy(&bytes, p[k] + at + offset, 8);
      return bytes;
    };
    __m512i z = _mm512_maskz_set1_epi64(0x01, row(0, 0));
    z = _mm512_mask_set1_epi64(z, 0x02, row(1, 0));
    z = _mm512_mask_set1_epi64(z, 0x04, row(2, 0));
    z = _mm512_mask_set1_epi64(z, 0x08, row(3, 0));
    z = _mm512_mask_set1_epi64(z, 0x10, row(0, stride));
    z = _mm512_mask_set1_epi64(z, 0x20, row(1, stride));
    z = _mm512_mask_set1_epi64(z, 0x40, row(2, stride));
    return _mm512_mask_set1_epi64(z, 0x80, row(3, stride));
  }
}

// Sixteen positions at a time: one row of 16 bytes, or two rows of 8 (a
// chroma cell), with the tiles' weights by sample. The dot product takes
// unsigned weights and signed samples, so the samples go in as s - 128 (the
// top bit flipped) and the accumulator starts at 128 W: it ends at
// sum w x s, the A (or B) of gather16, exactly. The mean is then gather16's,
// B + ((beta x (A - B) + 512 W) >> 10) < 2^19, divided by W as the product
// with its reciprocal (see window_reciprocal). Means are at most 255, so
// narrowing each lane to its low byte keeps them.
template <int32_t kRowBytes>
void gather_tiles(const GatherRect& rect) {
  const WindowTiles& t = *rect.tiles;
  const __m512i order = _mm512_load_si512(kPieceOrders.index[kRowBytes == 16 ? 0 : 1]);
  const __m512i beta = _mm512_set1_epi32(static_cast<int32_t>(rect.beta));
  const __m512i flip = _mm512_set1_epi8(-128);
  const ptrdiff_t ss = rect.samples_stride, os = rect.out_stride;
  constexpr int32_t kRows = 16 / kRowBytes;
  const int32_t cols = rect.cols;
  const int32_t entries_per_step = cols / kRowBytes * 16;  // kRows rows of entries
  for (int32_t c = 0; c < cols; c += kRowBytes) {
    // One column of sixteen-position steps: every stream moves on by kRows rows.
    const uint8_t* const first[4] = {rect.pair[0].first + c, rect.pair[1].first + c, rect.pair[2].first + c,
                                     rect.pair[3].first + c};
    const uint8_t* const second[4] = {rect.pair[0].second + c, rect.pair[1].second + c,
                                      rect.pair[2].second + c, rect.pair[3].second + c};
    uint8_t* out = rect.out + c;
    const int32_t e0 = c / kRowBytes * 16;
    const uint32_t* weights = t.weight_bytes + e0;
    const uint32_t* offsets = t.total_128 + e0;
    const float* reciprocals = t.reciprocal_by_sample + e0;
    const ptrdiff_t end = rect.rows * ss;
    for (ptrdiff_t at = 0; at < end; at += kRows * ss, out += kRows * os, weights += entries_per_step,
                   offsets += entries_per_step, reciprocals += entries_per_step) {
      const __m512i w = _mm512_loadu_si512(weights);
      const __m512i w128 = _mm512_loadu_si512(offsets);
      const __m512i s1 = _mm512_xor_si512(_mm512_permutexvar_epi8(order, pieces<kRowBytes>(first, at, ss)), flip);
      const __m512i s2 = _mm512_xor_si512(_mm512_permutexvar_epi8(order, pieces<kRowBytes>(second, at, ss)), flip);
      const __m512i a = _mm512_dpbusd_epi32(w128, w, s1);
      const __m512i b = _mm512_dpbusd_epi32(w128, w, s2);
      const __m512i part =
          _mm512_add_epi32(_mm512_mullo_epi32(_mm512_sub_epi32(a, b), beta), _mm512_slli_epi32(w128, 2));
      const __m512i m = _mm512_add_epi32(b, _mm512_srai_epi32(part, 10));
      const __m512 reciprocal = _mm512_loadu_ps(reciprocals);
      const __m128i bytes =
          _mm512_cvtepi32_epi8(_mm512_cvttps_epi32(_mm512_mul_ps(_mm512_cvtepi32_ps(m), reciprocal)));
      if constexpr (kRowBytes == 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
      } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + os), _mm_unpackhi_epi64(bytes, bytes));
      }
    }
  }
}

}  // namespace

void gather_pairs_avx512(const GatherRect& rect) {
  if (rect.tiles) {
    rect.cols == 8 ? gather_tiles<8>(rect) : gather_tiles<16>(rect);
    return;
  }
  gather_pairs_avx2(rect);
}

}  // namespace frameinterp
