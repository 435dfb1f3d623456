#include "motion/candidate_pairs.h"
#include "motion/synthesis.h"

namespace frameinterp {
namespace {

// Flat weight of the pairs over a split block's quarters.
constexpr uint32_t kQuarterWeight = 255;

void collect_quarters(MIContext& ctx, const MIBlock* block, int32_t x, int32_t y, int32_t n,
                      int32_t alpha) {
  if (!block->quarters || n < 1) {
    return;
  }
  const int32_t edge = 1 << (n - 1);
  for (int32_t q = 0; q < 4; ++q) {  // top-left, top-right, bottom-left, bottom-right
    const MIBlock& quarter = block->quarters[q];
    const int32_t ox = x + (q & 1) * edge;
    const int32_t oy = y + (q >> 1) * edge;
    if (quarter.subdivided) {
      collect_quarters(ctx, &quarter, ox, oy, n - 1, alpha);
      continue;
    }
    const PairShares shares = pair_shares(2 * quarter.vectors[0][0], 2 * quarter.vectors[0][1], alpha);
    for (int32_t py = oy; py < oy + edge; ++py) {
      for (int32_t px = ox; px < ox + edge; ++px) {
        add_candidate_pair(ctx, px, py, kQuarterWeight, shares);
      }
    }
  }
}

}  // namespace

void collect_split_candidates(std::shared_ptr<MIContext> mi_ctx, const MIBlock* block,
                              int32_t x, int32_t y, int32_t n, int32_t alpha) {
  collect_quarters(*mi_ctx, block, x, y, n, alpha);
}

}  // namespace frameinterp
