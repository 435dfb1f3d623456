#include "motion/kernels/weighted_sums.h"

namespace frameinterp {

void accumulate_pairs_c(const PairRect& rect) {
  for (int32_t r = 0; r < rect.rows; ++r) {
    uint32_t* sums = rect.sums + r * rect.sums_stride;
    const uint8_t* weights = rect.weights + r * rect.weights_stride;
    const uint8_t* first = rect.first + r * rect.first_stride;
    const uint8_t* second = rect.second + r * rect.second_stride;
    for (int32_t c = 0; c < rect.cols; ++c) {
      const uint32_t w = weights[c * rect.weight_step];
      sums[c] += w * (rect.beta * first[c] + rect.alpha * second[c]);
      if (rect.totals) rect.totals[r * rect.totals_stride + c] += w << 10;
    }
  }
}

void resolve_row_c(uint8_t* out, uint32_t* sums, const uint32_t* totals, int32_t total_step,
                   const uint8_t* s1, const uint8_t* s2, int32_t n, uint32_t beta, uint32_t alpha) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t total = totals[i * total_step];
    out[i] = static_cast<uint8_t>(total != 0 ? (sums[i] + total / 2) / total
                                             : (beta * s1[i] + alpha * s2[i] + 512) >> 10);
    sums[i] = 0;
  }
}

}  // namespace frameinterp
