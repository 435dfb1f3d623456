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
};

using GatherPairsFn = void (*)(const GatherRect& rect);

// The columns from `first` on of rows r to r + rows - 1, as a rectangle of
// their own: what a SIMD twin leaves to the reference after its whole steps.
GatherRect gather_part(const GatherRect& rect, int32_t r, int32_t rows, int32_t first);

void gather_pairs_c(const GatherRect& rect);
void gather_pairs_sse2(const GatherRect& rect);
void gather_pairs_avx2(const GatherRect& rect);

}  // namespace frameinterp
