// Row kernels of the motion-compensated synthesis. Every output sample is the
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
// gives the reference's values for any inputs in those ranges, any length and
// any alignment.
#pragma once

#include <cstdint>

namespace frameinterp {

// sums[i] += weights[i] x (beta x s1[i] + alpha x s2[i]), for i < n.
using AccumulateRowFn = void (*)(uint32_t* sums, const uint8_t* weights, const uint8_t* s1,
                                 const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha);

// Both of the above for one pixel per sample: sums[i] += weights[i] x
// (beta x s1[i] + alpha x s2[i]) and totals[i] += weights[i] x 1024.
using AccumulatePixelsFn = void (*)(uint32_t* sums, uint32_t* totals, const uint8_t* weights,
                                    const uint8_t* s1, const uint8_t* s2, int32_t n,
                                    uint32_t beta, uint32_t alpha);

// totals[i] += weights[i] x 1024, for i < n.
using AddWeightsRowFn = void (*)(uint32_t* totals, const uint8_t* weights, int32_t n);

// out[i] = (sums[i] + totals[i] / 2) / totals[i]; where totals[i] is 0 the
// sample had no pair and becomes the plain blend of the two frames at its own
// place, (beta x s1[i] + alpha x s2[i] + 512) / 1024. Then sums[i] and
// totals[i] are cleared for the next rows.
using ResolveRowFn = void (*)(uint8_t* out, uint32_t* sums, uint32_t* totals,
                              const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                              uint32_t alpha);

void accumulate_row_c(uint32_t* sums, const uint8_t* weights, const uint8_t* s1,
                      const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha);
void accumulate_row_sse2(uint32_t* sums, const uint8_t* weights, const uint8_t* s1,
                         const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha);
void accumulate_row_avx2(uint32_t* sums, const uint8_t* weights, const uint8_t* s1,
                         const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha);

void accumulate_pixels_c(uint32_t* sums, uint32_t* totals, const uint8_t* weights,
                         const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                         uint32_t alpha);
void accumulate_pixels_sse2(uint32_t* sums, uint32_t* totals, const uint8_t* weights,
                            const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                            uint32_t alpha);
void accumulate_pixels_avx2(uint32_t* sums, uint32_t* totals, const uint8_t* weights,
                            const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                            uint32_t alpha);

void add_weights_row_c(uint32_t* totals, const uint8_t* weights, int32_t n);
void add_weights_row_sse2(uint32_t* totals, const uint8_t* weights, int32_t n);
void add_weights_row_avx2(uint32_t* totals, const uint8_t* weights, int32_t n);

void resolve_row_c(uint8_t* out, uint32_t* sums, uint32_t* totals, const uint8_t* s1,
                   const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha);
void resolve_row_sse2(uint8_t* out, uint32_t* sums, uint32_t* totals,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha);
void resolve_row_avx2(uint8_t* out, uint32_t* sums, uint32_t* totals,
                      const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                      uint32_t alpha);

}  // namespace frameinterp
