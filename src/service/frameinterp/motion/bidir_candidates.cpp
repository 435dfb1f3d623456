#include "motion/bidir_candidates.h"

#include "motion/overlap_windows.h"

namespace frameinterp {

void collect_bidir_candidates(SynthesisPass& pass) {
  const MIContext& ctx = pass.context();
  const int32_t alpha = pass.alpha();
  const int32_t log2_size = ctx.log2_block_size;
  const int32_t half = ctx.block_size / 2;
  const uint8_t* window = overlap_windows[4 - log2_size];

  for (int32_t dir = 0; dir < 2; ++dir) {
    // Direction 0: the vectors of frames[2] into frames[1]; the block sits at
    // p + v x (1024 - alpha) / 1024. Direction 1: the vectors of frames[1]
    // into frames[2] (found while it was in slot 2); the block sits at
    // p + v x alpha / 1024. Either way the pair vector points into frames[1].
    const MIBlock* blocks = dir == 0 ? ctx.frames[2].blocks : ctx.frames[1].blocks;
    const int32_t share = dir == 0 ? ALPHA_SCALE - alpha : alpha;
    const int32_t sign = dir == 0 ? 1 : -1;
    for (int32_t mb_y = 0; mb_y < ctx.blocks_y; ++mb_y) {
      for (int32_t mb_x = 0; mb_x < ctx.blocks_x; ++mb_x) {
        const int16_t* v = blocks[mb_y * ctx.blocks_x + mb_x].vectors[dir];
        const int32_t sx = (mb_x << log2_size) + share * v[0] / ALPHA_SCALE - half;
        const int32_t sy = (mb_y << log2_size) + share * v[1] / ALPHA_SCALE - half;
        pass.add_window(sx, sy, window, sign * v[0], sign * v[1]);
      }
    }
  }
}

}  // namespace frameinterp
