// Kernels of the bilateral synthesis by gathering: each output sample of a
// rectangle sums the few pairs that reach it and is written once, as their
// rounded weighted mean. A pair of weight w at position alpha (1 .. 1023,
// beta = 1024 - alpha) contributes w x (beta x s1 + alpha x s2), s1 from the
// earlier frame and s2 from the later one, and w x 1024 to the total; the
// sample is (sum + total / 2) / total, or, when no pair has weight there, the
// plain blend of the two frames at its own place,
// (beta x own1 + alpha x own2 + 512) / 1024.
//
// Ranges: w <= 255, samples <= 255, at most kMaxGatherPairs pairs per sample,
// so the weight sum W <= 1275, total = 1024 W <= 1,305,600 and
// sum + total / 2 <= 255.5 x total < 2^29.
//
// One plain reference and the SIMD twins beside it; every twin gives the
// reference's bytes for any inputs in those ranges, any size, any stride and
// any alignment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frameinterp {

// Four overlap windows and the split square of the sample's own block.
inline constexpr int32_t kMaxGatherPairs = 5;

// One pair over a rectangle: sample c of row r has the weight
// weights[r x weights_stride + c] and the samples first[r x samples_stride +
// c] and second[r x samples_stride + c], with the rectangle's strides.
struct GatherPair {
  const uint8_t* weights;
  const uint8_t* first;
  const uint8_t* second;
};

// The weights of a rectangle of four pairs (a whole cell of the bilateral
// synthesis: its four overlap windows), every position's total weight W > 0,
// laid out for the SIMD twins in tiles of 32 samples: two rows of 16 bytes,
// or four rows of 8 when the rectangle is 8 bytes wide, row band by row band
// and left to right. Entry e = 8 j + 4 h + i of a tile is byte 4 j + i of its
// half h: row h of the tile (16-byte rows), or rows 2 h and 2 h + 1 (8-byte
// rows). The same weights come once more by position, in the rectangle's
// row order (entry r x cols + c), for the AVX-512 twin.
inline constexpr int32_t kTileSamples = 32;
inline constexpr int32_t kMaxWindowTiles = 32;  // 16 rows of 64 bytes

struct alignas(32) WindowTiles {
  uint32_t weights01[kMaxWindowTiles][kTileSamples];   // w0 | w1 << 16
  uint32_t weights23[kMaxWindowTiles][kTileSamples];   // w2 | w3 << 16
  uint32_t half_total[kMaxWindowTiles][kTileSamples];  // 512 W, half the total
  float reciprocal[kMaxWindowTiles][kTileSamples];     // window_reciprocal(W)
  // By position:
  uint32_t weight_bytes[kMaxWindowTiles * kTileSamples];          // w0 | w1 << 8 | w2 << 16 | w3 << 24
  uint32_t total_128[kMaxWindowTiles * kTileSamples];             // 128 W
  float reciprocal_by_sample[kMaxWindowTiles * kTileSamples];     // window_reciprocal(W)
};

// `rows` rows of `cols` output samples, out[r x out_stride + c], with the
// samples own_first / own_second [r x own_stride + c] at the output's own
// place for the plain blend, and `pairs` pairs (0 to kMaxGatherPairs) whose
// weights and samples share one stride each. Strides count bytes.
struct GatherRect {
  uint8_t* out;
  ptrdiff_t out_stride;
  const uint8_t* own_first;
  const uint8_t* own_second;
  ptrdiff_t own_stride;
  ptrdiff_t weights_stride;
  ptrdiff_t samples_stride;
  int32_t cols;
  int32_t rows;
  int32_t pairs;
  GatherPair pair[kMaxGatherPairs];
  uint32_t beta;
  uint32_t alpha;
  // Null, or the four pairs' weights as tiles (make_window_tiles): a twin may
  // read either.
  const WindowTiles* tiles;
};

using GatherPairsFn = void (*)(const GatherRect& rect);

// The columns from `first` on of rows r to r + rows - 1, as a rectangle of
// their own: what a SIMD twin leaves to the reference after its whole steps.
GatherRect gather_part(const GatherRect& rect, int32_t r, int32_t rows, int32_t first);

// 1 / W rounded up by three units in the last place, for 0 < W <= 1020:
// for every 0 <= m <= 255.5 W (the rounded sum over the weight of a mean),
// the float product m x window_reciprocal(W), truncated, is floor(m / W).
// Three steps of at least 2^-24 of it up from the correctly rounded 1 / W
// put it almost 2^-23 of itself above 1 / W, so the product lies above m / W
// even after its own rounding (at most 2^-24 of it), and below m / W +
// 2^-20 x 255.5 < m / W + 1 / 1020, while a quotient that is not whole lies
// at least 1 / W below the next whole one.
float window_reciprocal(uint32_t total);

// Fills `tiles` from the weights of rect's pairs; false, `tiles` unusable,
// unless rect has four pairs, either 8 columns and a multiple of 4 rows or a
// multiple of 16 columns and of 2 rows, at most kMaxWindowTiles tiles and
// every W > 0.
bool make_window_tiles(const GatherRect& rect, WindowTiles* tiles);

void gather_pairs_c(const GatherRect& rect);
void gather_pairs_sse2(const GatherRect& rect);
void gather_pairs_avx2(const GatherRect& rect);
void gather_pairs_avx512(const GatherRect& rect);

}  // namespace frameinterp
