// Synthesis of the bilateral mode by gathering: every output sample is
// computed once, from the pairs that reach its pixel, and written once.
//
// Each luma pixel takes weighted pairs (one sample of each frame, each
// displaced by its share of a block vector) from the overlap windows that
// cover it and from the split square of its own block, and its sample is the
// rounded weighted mean (sum + total / 2) / total of what its pairs name, or
// the plain blend of the two frames at its own place when no pair reaches
// it. The pairs add the same integer products as the running sums of the
// bidirectional pass (synthesis_pass.h), only in another order, and the limit
// of 16 pairs per pixel is never reached: a pixel lies in at most four windows
// (two block columns by two block rows) and in at most one split square, five
// pairs.
//
// The windows of block (bx, by) start half a block above and left of the
// block, so the pixels of the block-sized cell from (bx x B - B / 2,
// by x B - B / 2) share the same four windows, each over one quarter of it.
// A cell is composed at once: its pairs are set up once and the kernel runs
// over its rows.
//
// A subsampled chroma sample is decided by the last luma pixel of its group in
// raster order: the bottom-right one, (2i + 1, 2j + 1). At an odd width or
// height the chroma grid has one more column or row than there are such
// pixels; the last pixel of those groups inside the picture decides them,
// and it lies in the last luma column or row, which no window reaches and the
// block grid does not hold, so those samples are the plain blend. Packed
// pixels compose their four bytes from the pixel's own pairs.
#pragma once

#include <cstdint>

#include "motion/mi_context.h"

namespace frameinterp {

// Fills every sample of `out` (the window frames' size and layout) with the
// frame at position alpha (1 .. 1023) between frames[1] and frames[2], from
// the context's bilateral vectors, their split quarters and, with
// COMP_MODE_ADAPTIVE, the adaptive weights.
void compose_bilateral(MIContext& ctx, int32_t alpha, MIFrame* out);

}  // namespace frameinterp
