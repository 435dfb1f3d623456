// The bidirectional synthesis: the frame at position alpha between frames[1]
// and frames[2] of the window, composed into an output frame.
//
// Every pixel of the luma grid takes weighted pairs (one sample of each frame,
// each displaced by its share of a block vector) from the overlap windows that
// cover it, wherever the vectors placed them, and every output sample is the
// rounded mean (sum + total / 2) / total of what its pairs name. The pass adds
// the pairs window row by window row into the context's running sums for the
// whole picture and then resolves every row into the output.
//
// The running sums give exactly what per-pixel lists of candidate entries
// would: each entry's weight x sample and weight are the same integer
// products, only added in another order, and a pixel whose list stays empty
// (total 0) gets the plain blend of the two frames at its own place, as an
// empty list would. Only the limit of 16 pairs per pixel depends on the
// order: each pixel's pairs are counted in the order the lists take them and
// the rest are dropped.
//
// A subsampled chroma sample is decided by the last luma pixel of its group
// in raster order (the bottom-right one, which overwrote the others' values);
// its sums are gathered on that pixel only. The chroma column and row that an
// odd width or height adds are decided by a pixel of the last luma column or
// row, which no window reaches: they are the plain blend. Packed pixels
// compose their four bytes from the pixel's own pairs; their derived luma
// plane is not composed, since it never leaves the source.
#pragma once

#include <cstddef>
#include <cstdint>

#include "motion/kernels/motion_kernels.h"
#include "motion/mi_context.h"

namespace frameinterp {

class SynthesisPass {
public:
  // `out` has the window frames' size and layout; alpha is 1 to 1023.
  SynthesisPass(MIContext& ctx, int32_t alpha, MIFrame* out);

  MIContext& context() const { return ctx_; }
  int32_t alpha() const { return alpha_; }

  // The pair of vector (vx, vy) over the overlap window of side
  // 2 x block_size whose top-left is (sx, sy), pixel (x, y) weighted
  // window[(y - sy) x side + (x - sx)]. Only pixels inside the picture take
  // it, the last column and the last row excepted.
  void add_window(int32_t sx, int32_t sy, const uint8_t* window, int32_t vx, int32_t vy);

  // Writes every output sample from the sums.
  void resolve();

private:
  // Where a pair's two samples lie: the displacements into frames[1] and
  // frames[2], before clamping into the picture.
  struct Shares {
    int32_t first_x, first_y;
    int32_t second_x, second_y;
  };
  Shares shares_of(int32_t vx, int32_t vy) const;

  // How the columns of one window or square take a pair: the same for each of
  // its rows.
  struct Columns {
    int32_t x0, x1;        // the pixels taking it
    int32_t lo, hi;        // of them, those whose displacements stay inside the picture
    int32_t chroma_x;      // the first pixel of [lo, hi) that decides a chroma sample
    int32_t chroma_count;  // how many of [lo, hi) decide one inside the chroma grid
  };
  Columns columns_of(int32_t x0, int32_t x1, const Shares& s) const;

  // Rows y0 .. y1 - 1 of a window or square; weights[k] is the weight of
  // column x0 + k in row y0, the rows `stride` apart.
  void add_rows(int32_t y0, int32_t y1, const Columns& c, const uint8_t* weights,
                ptrdiff_t stride, const Shares& s);
  // Rows whose source rows follow each other too (no vertical clamping), or
  // a single row.
  void add_band(int32_t y0, int32_t y1, const Columns& c, const uint8_t* weights,
                ptrdiff_t stride, const Shares& s);
  // One pixel, its displacements clamped into the picture.
  void add_pixel(int32_t y, int32_t x, uint32_t weight, const Shares& s);
  void resolve_row(int32_t y);
  // The chroma samples an odd width or height adds: the plain blend.
  void resolve_edge_chroma();
  bool decides_chroma_row(int32_t y) const;

  MIContext& ctx_;
  const MotionKernels& kernels_;
  const MIFrame& first_;
  const MIFrame& second_;
  MIFrame& out_;
  int32_t width_, height_;
  int32_t alpha_, beta_;
  int32_t luma_plane_;   // 0, or the plane of packed pixels
  int32_t luma_bytes_;   // bytes composed per pixel from that plane: 1 or 4
  int32_t chroma_planes_;  // planar chroma planes composed: 0 to 2
  bool interleaved_;     // one plane of (U, V) pairs
  int32_t shift_w_, shift_h_;
  // Chroma samples decided by a pixel (2i + 1, 2j + 1) of the picture.
  int32_t chroma_width_, chroma_height_;

  // Scratch rows: the weights of a window after the pair limit, and weights
  // or totals repeated for each byte of a pixel.
  static constexpr int32_t kMaxRun = 32;
  uint8_t capped_[kMaxRun * kMaxRun];
  uint8_t per_byte_[kMaxRun * kMaxRun * 4];
};

}  // namespace frameinterp
