#include "motion/kernels/pair_gather.h"

namespace frameinterp {

void gather_pairs_c(const GatherRect& rect) {
  for (int32_t r = 0; r < rect.rows; ++r) {
    for (int32_t c = 0; c < rect.cols; ++c) {
      uint32_t weight = 0, sum = 0;
      for (int32_t k = 0; k < rect.pairs; ++k) {
        const GatherPair& p = rect.pair[k];
        const uint32_t w = p.weights[r * rect.weights_stride + c];
        const uint32_t s1 = p.first[r * rect.samples_stride + c];
        const uint32_t s2 = p.second[r * rect.samples_stride + c];
        weight += w;
        sum += w * (rect.beta * s1 + rect.alpha * s2);
      }
      const uint32_t total = weight << 10;
      const uint32_t own1 = rect.own_first[r * rect.own_stride + c];
      const uint32_t own2 = rect.own_second[r * rect.own_stride + c];
      rect.out[r * rect.out_stride + c] =
          static_cast<uint8_t>(total != 0 ? (sum + total / 2) / total
                                          : (rect.beta * own1 + rect.alpha * own2 + 512) >> 10);
    }
  }
}

GatherRect gather_part(const GatherRect& rect, int32_t r, int32_t rows, int32_t first) {
  GatherRect part = rect;
  part.out += r * rect.out_stride + first;
  part.own_first += r * rect.own_stride + first;
  part.own_second += r * rect.own_stride + first;
  for (int32_t k = 0; k < rect.pairs; ++k) {
    part.pair[k].weights += r * rect.weights_stride + first;
    part.pair[k].first += r * rect.samples_stride + first;
    part.pair[k].second += r * rect.samples_stride + first;
  }
  part.cols = rect.cols - first;
  part.rows = rows;
  return part;
}

}  // namespace frameinterp
