#include "motion/synthesis.h"

namespace frameinterp {

void collect_split_candidates(SynthesisPass& pass, const MIBlock& block, int32_t x, int32_t y,
                              int32_t n) {
  if (!block.quarters || n < 1) {
    return;
  }
  const int32_t edge = 1 << (n - 1);
  for (int32_t q = 0; q < 4; ++q) {  // top-left, top-right, bottom-left, bottom-right
    const MIBlock& quarter = block.quarters[q];
    const int32_t ox = x + (q & 1) * edge;
    const int32_t oy = y + (q >> 1) * edge;
    if (quarter.subdivided) {
      collect_split_candidates(pass, quarter, ox, oy, n - 1);
    } else {
      pass.add_square(ox, oy, edge, 2 * quarter.vectors[0][0], 2 * quarter.vectors[0][1]);
    }
  }
}

}  // namespace frameinterp
