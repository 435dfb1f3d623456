// Kernels of the motion-compensated synthesis. Every output sample is the
// rounded weighted mean of the samples its pairs name: a pair of window weight
// w at position alpha (1 .. 1023, beta = 1024 - alpha) adds
// w x (beta x s1 + alpha x s2) to the sample's sum, s1 from the earlier frame
// and s2 from the later one, and w x 1024 to its pixel's total weight; the
// sample is then (sum + total / 2) / total.
//
// Ranges: w <= 255 and samples <= 255; a pixel takes at most 16 pairs, so
// total <= 16 x 255 x 1024 = 4,177,920 and sum + total / 2 <= 255.5 x total
// < 2^31.
//
// One plain reference per kernel and the SIMD twins beside it; every twin
// gives the reference's values for any inputs in those ranges, any size, any
// stride and any alignment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frameinterp {

// A rectangle of samples taking one pair each: `rows` rows of `cols` samples.
// Sample c of row r has the weight weights[r x weights_stride + c x
// weight_step] (step 1 or 2), the samples first[r x first_stride + c] and
// second[r x second_stride + c], the sum sums[r x sums_stride + c] and, when
// `totals` is set, its pixel's total totals[r x totals_stride + c]. Strides
// count elements.
struct PairRect {
  uint32_t* sums;
  ptrdiff_t sums_stride;
  uint32_t* totals;
  ptrdiff_t totals_stride;
  const uint8_t* weights;
  ptrdiff_t weights_stride;
  int32_t weight_step;
  const uint8_t* first;
  ptrdiff_t first_stride;
  const uint8_t* second;
  ptrdiff_t second_stride;
  int32_t cols;
  int32_t rows;
  uint32_t beta;
  uint32_t alpha;
};

// Row r of a rectangle, from column `first` on, as a rectangle of one row:
// what the kernels walk row by row, and what a SIMD twin leaves to the
// reference after its whole steps. Static: each file that is built for its
// own instruction set keeps its own copy.
static inline PairRect row_of(const PairRect& rect, int32_t r, int32_t first = 0) {
  PairRect row = rect;
  row.sums += r * rect.sums_stride + first;
  if (row.totals) row.totals += r * rect.totals_stride + first;
  row.weights += r * rect.weights_stride + first * rect.weight_step;
  row.first += r * rect.first_stride + first;
  row.second += r * rect.second_stride + first;
  row.cols = rect.cols - first;
  row.rows = 1;
  return row;
}

// sums += w x (beta x first + alpha x second), and totals += w x 1024 when
// set, over the rectangle.
using AccumulatePairsFn = void (*)(const PairRect& rect);

// out[i] = (sums[i] + t / 2) / t for t = totals[i x total_step] (step 1 or 2);
// where t is 0 the sample had no pair and becomes the plain blend of the two
// frames at its own place, (beta x s1[i] + alpha x s2[i] + 512) / 1024. The
// sums are cleared for the next rows; the totals are left as they are.
using ResolveRowFn = void (*)(uint8_t* out, uint32_t* sums, const uint32_t* totals,
                              int32_t total_step, const uint8_t* s1, const uint8_t* s2,
                              int32_t n, uint32_t beta, uint32_t alpha);

void accumulate_pairs_c(const PairRect& rect);
void accumulate_pairs_sse2(const PairRect& rect);
void accumulate_pairs_avx2(const PairRect& rect);

void resolve_row_c(uint8_t* out, uint32_t* sums, const uint32_t* totals, int32_t total_step,
                   const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha);
void resolve_row_sse2(uint8_t* out, uint32_t* sums, const uint32_t* totals, int32_t total_step,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha);
void resolve_row_avx2(uint8_t* out, uint32_t* sums, const uint32_t* totals, int32_t total_step,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha);

}  // namespace frameinterp
