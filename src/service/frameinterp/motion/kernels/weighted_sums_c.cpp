#include "motion/kernels/weighted_sums.h"

namespace frameinterp {

void accumulate_row_c(uint32_t* sums, const uint8_t* weights, const uint8_t* s1,
                      const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha) {
  for (int32_t i = 0; i < n; ++i) sums[i] += weights[i] * (beta * s1[i] + alpha * s2[i]);
}

void accumulate_pixels_c(uint32_t* sums, uint32_t* totals, const uint8_t* weights,
                         const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta,
                         uint32_t alpha) {
  accumulate_row_c(sums, weights, s1, s2, n, beta, alpha);
  add_weights_row_c(totals, weights, n);
}

void add_weights_row_c(uint32_t* totals, const uint8_t* weights, int32_t n) {
  for (int32_t i = 0; i < n; ++i) totals[i] += uint32_t{weights[i]} << 10;
}

void resolve_row_c(uint8_t* out, uint32_t* sums, uint32_t* totals, const uint8_t* s1,
                   const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t total = totals[i];
    out[i] = static_cast<uint8_t>(total != 0 ? (sums[i] + total / 2) / total
                                             : (beta * s1[i] + alpha * s2[i] + 512) >> 10);
    sums[i] = 0;
    totals[i] = 0;
  }
}

}  // namespace frameinterp
