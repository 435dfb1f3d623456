#include "motion/bilateral_synthesis.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "motion/kernels/motion_kernels.h"
#include "motion/me_costs.h"
#include "motion/overlap_windows.h"
#include "motion/prefetch.h"
#include "motion/working_frame.h"

namespace frameinterp {
namespace {

constexpr uint64_t kNoCost = std::numeric_limits<uint64_t>::max();
constexpr uint8_t kSquareWeight = 255;
constexpr int32_t kMaxBlock = 16;
constexpr int32_t kMaxSide = 2 * kMaxBlock;
// A cell holds at most kMaxBlock x kMaxBlock positions of at most 4 bytes.
constexpr int32_t kCellBytes = kMaxBlock * kMaxBlock * 4;

// trunc(v / 2^shift): negative values are rounded toward zero by adding
// 2^shift - 1 before the (arithmetic) shift.
int32_t scale_down(int32_t v, int32_t shift) {
  return (v + ((v >> 31) & ((1 << shift) - 1))) >> shift;
}

// -1 in the first quarter of the window's columns (rows), 0 in the middle
// two, +1 in the last: which neighbour that part of the window lies over.
int32_t window_quarter(int32_t offset, int32_t log2_size) {
  return ((offset >> (log2_size - 1)) * 2 - 3) / 2;
}

// Samples composed with one set of weights: the luma pixels (shift 0), or
// the chroma samples of 2 x 2 pixels (shift 1), each decided by the last
// pixel of its group, ((i << shift) + last, (j << shift) + last).
struct Grid {
  int32_t shift = 0;
  int32_t last = 0;   // (1 << shift) - 1
  int32_t bytes = 1;  // bytes per position in each plane
  int32_t planes[2] = {};
  int32_t plane_count = 0;
  // Overlap-window weights at the grid's positions, each repeated `bytes`
  // times: entry [r][c] is the window's [(r << shift) + parity][(c << shift)
  // + parity], parity being where the deciding pixels fall in the window.
  uint8_t window[kMaxSide * kMaxSide * 4] = {};
  int32_t window_stride = 0;
  int32_t parity = 0;
  // The weights of a whole cell's four windows as tiles, made at the first
  // such cell from the weight rows in `tiles_from` (every whole cell reads
  // the same part of `window`); unusable where make_window_tiles refused.
  WindowTiles tiles;
  const uint8_t* tiles_from[4] = {};
  bool tiles_made = false;
  bool tiles_usable = false;
  // The rectangle of an interior cell: four windows, no split, not in the
  // picture's last column or row. Such cells all have the block's size and
  // read the same table rows and columns, so everything but the samples and
  // the output is set once, at the first of them.
  GatherRect interior{};
  bool interior_made = false;
};

// Where a pair's two samples lie: the displacements into frames[1] and
// frames[2] of a pair vector at alpha, before clamping into the picture.
struct Shares {
  int32_t first_x, first_y;
  int32_t second_x, second_y;
  bool operator==(const Shares&) const = default;
};

// One overlap window over the cell being composed.
struct Window {
  int32_t block;   // index into bilat_blocks
  int32_t bx, by;
  int32_t sx, sy;  // top-left pixel of the window
  Shares shares;
  Shares scaled[2];  // [grid shift]: the shares in that grid's positions, unclamped
};

// The luma pixels [x0, x1) x [y0, y1) of a cell.
struct Cell {
  int32_t x0, x1, y0, y1;
};

// The positions [i0, i1) x [j0, j1) of one grid within a cell, and their
// deciding pixels' first and last columns and rows.
struct Span {
  int32_t i0, i1, j0, j1;
  int32_t x_first, x_last, y_first, y_last;
};

class BilateralGather {
public:
  BilateralGather(MIContext& ctx, int32_t alpha, MIFrame* out)
      : ctx_(ctx),
        gather_(motion_kernels().gather_pairs),
        first_(*ctx.frames[1].frame),
        second_(*ctx.frames[2].frame),
        out_(*out),
        width_(ctx.estimator.width),
        height_(ctx.estimator.height),
        alpha_(alpha),
        beta_(ALPHA_SCALE - alpha),
        bs_(ctx.block_size),
        log2_bs_(ctx.log2_block_size),
        side_(2 * ctx.block_size),
        window_(overlap_windows[4 - ctx.log2_block_size]),
        adaptive_(ctx.comp_mode == COMP_MODE_ADAPTIVE) {}

  void run();

private:
  void set_up_grids();
  void fill_grid_window(Grid& g) const;
  void compute_window_ratios() const;
  Shares shares_of(int32_t vx, int32_t vy) const {
    // Vectors are a few times the search range at most, so v x 1024 fits in i32.
    return {vx * alpha_ / ALPHA_SCALE, vy * alpha_ / ALPHA_SCALE, -(vx * beta_ / ALPHA_SCALE),
            -(vy * beta_ / ALPHA_SCALE)};
  }
  void compose_cell(const Cell& cell);
  // Always inlined: GCC finds a function that only prefetches free of
  // effects and drops its calls.
  [[gnu::always_inline]] inline void prefetch_ahead(const Cell& cell) const;
  void compose_span(Grid& g, const Span& span, bool whole, bool split);
  void compose_interior(Grid& g, const Span& span);
  // Whether the four windows all move their samples by the same shares.
  bool windows_share_shares() const;
  bool compose_shifted_blend(const Grid& g, const Span& span);
  // Sets `w` to the window of block (bx, by), which exists. (Filled in
  // place: a window returned by value and copied would be read back wider
  // than it was written, which stalls store forwarding.)
  void set_window(Window& w, int32_t bx, int32_t by) const;
  const WindowTiles* tiles_for(Grid& g, const GatherRect& rect) const;
  // Points the rectangle's output and own samples at sample (i0, j0) of the
  // grid's plane and gathers it.
  void gather_at(const Grid& g, int32_t plane, int32_t i0, int32_t j0, GatherRect* rect);
  void set_weights(const Grid& g, const Span& span, bool whole, bool split, GatherRect* rect);
  // Whether every pair of the span reads its samples in place, unclamped.
  bool span_in_place(const Span& span, bool split) const;
  void set_samples(const Grid& g, const Span& span, int32_t plane, bool split, bool in_place,
                   GatherRect* rect);
  // One row j of a pair's samples of one frame into `out`, clamped where
  // the displacement leaves the picture.
  void gather_row(const Grid& g, const MIFrame& f, int32_t plane, const Span& span, int32_t j,
                  int32_t dx, int32_t dy, uint8_t* out) const;
  bool reads_in_place(const Span& span, const Shares& s) const {
    return span.x_first + std::min(s.first_x, s.second_x) >= 0 &&
           span.x_last + std::max(s.first_x, s.second_x) < width_ &&
           span.y_first + std::min(s.first_y, s.second_y) >= 0 &&
           span.y_last + std::max(s.first_y, s.second_y) < height_;
  }
  uint32_t window_weight(const Window& w, int32_t x, int32_t y) const;
  bool subdivided_in(const Cell& cell) const;
  const MIBlock* leaf_at(int32_t x, int32_t y) const;
  void compose_edge_samples(const Grid& g);

  // The sample a displacement reaches from grid position (i, j), deciding
  // pixel (x, y), the displacement clamped into the picture.
  ptrdiff_t reached(const Grid& g, const MIFrame& f, int32_t plane, int32_t i, int32_t j,
                    int32_t x, int32_t y, int32_t dx, int32_t dy) const {
    const int32_t col = i + scale_down(std::clamp(dx, -x, width_ - 1 - x), g.shift);
    const int32_t row = j + scale_down(std::clamp(dy, -y, height_ - 1 - y), g.shift);
    return static_cast<ptrdiff_t>(row) * f.linesize[plane] + static_cast<ptrdiff_t>(col) * g.bytes;
  }

  MIContext& ctx_;
  GatherPairsFn gather_;
  const MIFrame& first_;
  const MIFrame& second_;
  MIFrame& out_;
  int32_t width_, height_;
  int32_t alpha_, beta_;
  int32_t bs_, log2_bs_, side_;
  const uint8_t* window_;
  bool adaptive_;

  Grid grids_[2];
  int32_t grid_count_ = 0;

  // The windows over the cell being composed.
  Window windows_[4];
  int32_t window_count_ = 0;

  // Scratch rectangles of one cell, rows of the span's width: per pair its
  // weights and the samples of each frame, where they cannot be read in
  // place.
  uint8_t weights_[kMaxGatherPairs][kCellBytes];
  uint8_t firsts_[kMaxGatherPairs][kCellBytes];
  uint8_t seconds_[kMaxGatherPairs][kCellBytes];
  // Per position of the span, the shares of its split square (none: zero).
  Shares split_shares_[kMaxBlock * kMaxBlock];
};

void BilateralGather::fill_grid_window(Grid& g) const {
  const int32_t positions = side_ >> g.shift;
  g.window_stride = positions * g.bytes;
  for (int32_t r = 0; r < positions; ++r) {
    for (int32_t c = 0; c < positions; ++c) {
      const uint8_t w = window_[((r << g.shift) + g.parity) * side_ + (c << g.shift) + g.parity];
      for (int32_t k = 0; k < g.bytes; ++k) g.window[r * g.window_stride + c * g.bytes + k] = w;
    }
  }
}

void BilateralGather::set_up_grids() {
  Grid& luma = grids_[grid_count_++];
  luma.bytes = has_packed_pixels(out_.format) ? kPackedPixelBytes : 1;
  luma.planes[0] = has_packed_pixels(out_.format) ? kPackedPlane : 0;
  luma.plane_count = 1;
  fill_grid_window(luma);
  const bool planar = out_.format == kFormatPlanar;
  if (!planar && out_.format != kFormatInterleaved) return;
  const int32_t chroma_planes = planar ? std::clamp(ctx_.plane_count, 1, 3) - 1 : 1;
  if (chroma_planes == 0) return;
  Grid& chroma = grids_[grid_count_++];
  chroma.shift = 1;
  chroma.last = 1;
  chroma.bytes = planar ? 1 : 2;
  chroma.plane_count = chroma_planes;
  chroma.planes[0] = 1;
  chroma.planes[1] = 2;
  // Windows start at bx x B - B / 2, so the deciding pixels (odd offsets
  // from an even picture column) fall on window columns of the parity of
  // 1 + B / 2.
  chroma.parity = (1 + bs_ / 2) & 1;
  fill_grid_window(chroma);
}

// Per block and neighbour, the factor r / 1024 (r <= 1024) by which the part
// of the block's window over that neighbour is weakened: 1024 x the
// neighbour's own cost / the cost of this block's vector at the neighbour's
// place, at most 1024; 1024 where either cost is unusable. The cross costs'
// penalty is measured against the estimator's predicted vector as it is now.
void BilateralGather::compute_window_ratios() const {
  for (int32_t by = 0; by < ctx_.blocks_y; ++by) {
    for (int32_t bx = 0; bx < ctx_.blocks_x; ++bx) {
      const int32_t index = by * ctx_.blocks_x + bx;
      const MIBlock& block = ctx_.bilat_blocks[index];
      WindowRatios& ratios = ctx_.window_ratios[index];
      for (int32_t dy = -1; dy <= 1; ++dy) {
        for (int32_t dx = -1; dx <= 1; ++dx) {
          uint16_t& ratio = ratios.r[(dy + 1) * 3 + dx + 1];
          ratio = ALPHA_SCALE;
          const int32_t nx = bx + dx, ny = by + dy;
          if ((dx == 0 && dy == 0) || nx < 0 || nx >= ctx_.blocks_x || ny < 0 ||
              ny >= ctx_.blocks_y) {
            continue;
          }
          const uint64_t cost =
              bilateral_sad(&ctx_.estimator, nx << log2_bs_, ny << log2_bs_,
                            (nx << log2_bs_) + block.vectors[0][0], (ny << log2_bs_) + block.vectors[0][1]);
          const uint64_t own = ctx_.bilat_blocks[ny * ctx_.blocks_x + nx].bilat_cost;
          if (cost != 0 && cost != kNoCost && own != kNoCost) {
            ratio = static_cast<uint16_t>(std::min<uint64_t>(own * ALPHA_SCALE / cost, ALPHA_SCALE));
          }
        }
      }
    }
  }
}

uint32_t BilateralGather::window_weight(const Window& w, int32_t x, int32_t y) const {
  uint32_t weight = window_[(y - w.sy) * side_ + (x - w.sx)];
  if (adaptive_) {
    const int32_t qx = window_quarter(x - w.sx, log2_bs_), qy = window_quarter(y - w.sy, log2_bs_);
    const int32_t nx = w.bx + qx, ny = w.by + qy;
    if ((qx != 0 || qy != 0) && nx >= 0 && nx < ctx_.blocks_x && ny >= 0 && ny < ctx_.blocks_y) {
      weight = (uint32_t{ctx_.window_ratios[w.block].r[(qy + 1) * 3 + qx + 1]} * weight) >> 10;
    }
  }
  return weight;
}

bool BilateralGather::subdivided_in(const Cell& cell) const {
  const int32_t grid_w = ctx_.blocks_x << log2_bs_, grid_h = ctx_.blocks_y << log2_bs_;
  for (int32_t y : {cell.y0, cell.y1 - 1}) {
    for (int32_t x : {cell.x0, cell.x1 - 1}) {
      if (x < grid_w && y < grid_h &&
          ctx_.bilat_blocks[(y >> log2_bs_) * ctx_.blocks_x + (x >> log2_bs_)].subdivided) {
        return true;
      }
    }
  }
  return false;
}

// The undivided quarter of the split tree of pixel (x, y)'s block that holds
// the pixel; null when the pixel lies outside the block grid or its block is
// not subdivided.
const MIBlock* BilateralGather::leaf_at(int32_t x, int32_t y) const {
  if (x >= (ctx_.blocks_x << log2_bs_) || y >= (ctx_.blocks_y << log2_bs_)) return nullptr;
  const MIBlock* node = &ctx_.bilat_blocks[(y >> log2_bs_) * ctx_.blocks_x + (x >> log2_bs_)];
  if (!node->subdivided) return nullptr;
  int32_t n = log2_bs_;
  int32_t ox = x >> log2_bs_ << log2_bs_, oy = y >> log2_bs_ << log2_bs_;
  for (;;) {
    if (!node->quarters || n < 1) return nullptr;
    const int32_t edge = 1 << (n - 1);
    const int32_t qx = x - ox >= edge, qy = y - oy >= edge;
    ox += qx * edge;
    oy += qy * edge;
    const MIBlock* quarter = &node->quarters[qy * 2 + qx];
    if (!quarter->subdivided) return quarter;
    node = quarter;
    --n;
  }
}

void BilateralGather::set_weights(const Grid& g, const Span& span, bool whole, bool split,
                                  GatherRect* rect) {
  const int32_t row_bytes = (span.i1 - span.i0) * g.bytes;
  if (whole && !split) {
    for (int32_t k = 0; k < window_count_; ++k) {
      const Window& w = windows_[k];
      // Grid position i lies at window column ((i << shift) + last - sx - parity) >> shift.
      const int32_t row = span.j0 + ((g.last - w.sy - g.parity) >> g.shift);
      const int32_t col = span.i0 + ((g.last - w.sx - g.parity) >> g.shift);
      rect->pair[k].weights = g.window + row * g.window_stride + col * g.bytes;
    }
    rect->weights_stride = g.window_stride;
    return;
  }
  // Positions whose deciding pixel lies before the picture's last column
  // and row take the window's weight.
  const int32_t covered_cols = std::min(span.i1, (width_ - 1 + (1 << g.shift) - 1 - g.last) >> g.shift);
  const int32_t covered_rows = std::min(span.j1, (height_ - 1 + (1 << g.shift) - 1 - g.last) >> g.shift);
  for (int32_t k = 0; k < window_count_; ++k) {
    const Window& w = windows_[k];
    uint8_t* out = weights_[k];
    for (int32_t j = span.j0; j < span.j1; ++j, out += row_bytes) {
      std::memset(out, 0, static_cast<size_t>(row_bytes));
      if (j >= covered_rows) continue;
      const int32_t y = (j << g.shift) + g.last;
      if (!adaptive_) {
        // A row of the grid's table.
        const int32_t row = j + ((g.last - w.sy - g.parity) >> g.shift);
        const int32_t col = span.i0 + ((g.last - w.sx - g.parity) >> g.shift);
        if (covered_cols > span.i0) {
          std::memcpy(out, g.window + row * g.window_stride + col * g.bytes,
                      static_cast<size_t>(covered_cols - span.i0) * static_cast<size_t>(g.bytes));
        }
        continue;
      }
      for (int32_t i = span.i0; i < covered_cols; ++i) {
        const uint8_t weight = static_cast<uint8_t>(window_weight(w, (i << g.shift) + g.last, y));
        for (int32_t b = 0; b < g.bytes; ++b) out[(i - span.i0) * g.bytes + b] = weight;
      }
    }
    rect->pair[k].weights = weights_[k];
  }
  if (split) {
    // The split squares of the cell's blocks, as one pair: flat weight where
    // the pixel's block is subdivided, each pixel displaced by its own
    // quarter's shares.
    uint8_t* out = weights_[window_count_];
    int32_t n = 0;
    for (int32_t j = span.j0; j < span.j1; ++j) {
      for (int32_t i = span.i0; i < span.i1; ++i, ++n) {
        const MIBlock* leaf = leaf_at((i << g.shift) + g.last, (j << g.shift) + g.last);
        split_shares_[n] = leaf ? shares_of(2 * leaf->vectors[0][0], 2 * leaf->vectors[0][1]) : Shares{};
        for (int32_t b = 0; b < g.bytes; ++b) *out++ = leaf ? kSquareWeight : 0;
      }
    }
    rect->pair[window_count_].weights = weights_[window_count_];
  }
  rect->weights_stride = row_bytes;
}

void BilateralGather::gather_row(const Grid& g, const MIFrame& f, int32_t plane, const Span& span,
                                 int32_t j, int32_t dx, int32_t dy, uint8_t* out) const {
  const int32_t y = (j << g.shift) + g.last;
  const uint8_t* source = f.data[plane] +
      static_cast<ptrdiff_t>(j + scale_down(std::clamp(dy, -y, height_ - 1 - y), g.shift)) * f.linesize[plane];
  // Positions whose deciding pixel x keeps x + dx inside the picture read a
  // run of the row; only those before and after it are clamped one by one.
  const auto x_of = [&](int32_t i) { return (i << g.shift) + g.last; };
  int32_t lo = span.i0, hi = span.i1;
  while (lo < hi && x_of(lo) + dx < 0) ++lo;
  while (hi > lo && x_of(hi - 1) + dx >= width_) --hi;
  const auto one = [&](int32_t i) {
    const int32_t x = x_of(i);
    const uint8_t* s = source + static_cast<ptrdiff_t>(i + scale_down(std::clamp(dx, -x, width_ - 1 - x), g.shift)) * g.bytes;
    for (int32_t c = 0; c < g.bytes; ++c) *out++ = s[c];
  };
  for (int32_t i = span.i0; i < lo; ++i) one(i);
  if (lo < hi) {
    const size_t bytes = static_cast<size_t>(hi - lo) * static_cast<size_t>(g.bytes);
    std::memcpy(out, source + static_cast<ptrdiff_t>(lo + scale_down(dx, g.shift)) * g.bytes, bytes);
    out += bytes;
  }
  for (int32_t i = hi; i < span.i1; ++i) one(i);
}

bool BilateralGather::span_in_place(const Span& span, bool split) const {
  if (split) return false;
  for (int32_t k = 0; k < window_count_; ++k) {
    if (!reads_in_place(span, windows_[k].shares)) return false;
  }
  return true;
}

void BilateralGather::set_samples(const Grid& g, const Span& span, int32_t plane, bool split,
                                  bool in_place, GatherRect* rect) {
  const ptrdiff_t stride = first_.linesize[plane];
  if (in_place && second_.linesize[plane] == stride) {
    // No position of the span needs clamping: each pair reads a displaced
    // copy of the span's rectangle.
    for (int32_t k = 0; k < window_count_; ++k) {
      const Shares& s = windows_[k].scaled[g.shift];
      const auto at = [&](int32_t dx, int32_t dy) {
        return (span.j0 + dy) * stride + static_cast<ptrdiff_t>(span.i0 + dx) * g.bytes;
      };
      rect->pair[k].first = first_.data[plane] + at(s.first_x, s.first_y);
      rect->pair[k].second = second_.data[plane] + at(s.second_x, s.second_y);
    }
    rect->samples_stride = stride;
    return;
  }
  // Every pair's samples gathered into rows of the span's width.
  const int32_t pairs = window_count_ + (split ? 1 : 0);
  const int32_t row_bytes = (span.i1 - span.i0) * g.bytes;
  for (int32_t k = 0; k < pairs; ++k) {
    for (int32_t j = span.j0; j < span.j1; ++j) {
      const int32_t row = j - span.j0;
      if (k < window_count_) {
        const Shares& s = windows_[k].shares;
        gather_row(g, first_, plane, span, j, s.first_x, s.first_y, firsts_[k] + row * row_bytes);
        gather_row(g, second_, plane, span, j, s.second_x, s.second_y, seconds_[k] + row * row_bytes);
        continue;
      }
      // The split pair: each position by its own square's shares; positions
      // outside the squares weigh nothing and read the pixel's own samples.
      const int32_t y = (j << g.shift) + g.last;
      uint8_t* a = firsts_[k] + row * row_bytes;
      uint8_t* b = seconds_[k] + row * row_bytes;
      for (int32_t i = span.i0; i < span.i1; ++i) {
        const int32_t x = (i << g.shift) + g.last;
        const Shares& s = split_shares_[row * (span.i1 - span.i0) + (i - span.i0)];
        const uint8_t* s1 = first_.data[plane] + reached(g, first_, plane, i, j, x, y, s.first_x, s.first_y);
        const uint8_t* s2 = second_.data[plane] + reached(g, second_, plane, i, j, x, y, s.second_x, s.second_y);
        for (int32_t c = 0; c < g.bytes; ++c) {
          *a++ = s1[c];
          *b++ = s2[c];
        }
      }
    }
    rect->pair[k].first = firsts_[k];
    rect->pair[k].second = seconds_[k];
  }
  rect->samples_stride = (span.i1 - span.i0) * g.bytes;
}

void BilateralGather::gather_at(const Grid& g, int32_t plane, int32_t i0, int32_t j0,
                                GatherRect* rect) {
  const ptrdiff_t at = static_cast<ptrdiff_t>(i0) * g.bytes;
  rect->out = out_.data[plane] + j0 * static_cast<ptrdiff_t>(out_.linesize[plane]) + at;
  rect->out_stride = out_.linesize[plane];
  rect->own_first = first_.data[plane] + j0 * static_cast<ptrdiff_t>(first_.linesize[plane]) + at;
  rect->own_second = second_.data[plane] + j0 * static_cast<ptrdiff_t>(first_.linesize[plane]) + at;
  rect->own_stride = first_.linesize[plane];
  gather_(*rect);
}

const WindowTiles* BilateralGather::tiles_for(Grid& g, const GatherRect& rect) const {
  bool same = g.tiles_made;
  for (int32_t k = 0; k < 4; ++k) same = same && rect.pair[k].weights == g.tiles_from[k];
  if (!same) {
    g.tiles_usable = make_window_tiles(rect, &g.tiles);
    g.tiles_made = true;
    for (int32_t k = 0; k < 4; ++k) g.tiles_from[k] = rect.pair[k].weights;
  }
  return g.tiles_usable ? &g.tiles : nullptr;
}

void BilateralGather::compose_span(Grid& g, const Span& span, bool whole, bool split) {
  // Every field the kernels read is set here, by set_weights, set_samples
  // and gather_at (no zeroing of the whole rectangle per span).
  GatherRect rect;
  for (GatherPair& pair : rect.pair) pair = {};
  rect.cols = (span.i1 - span.i0) * g.bytes;
  rect.rows = span.j1 - span.j0;
  rect.pairs = window_count_ + (split ? 1 : 0);
  rect.beta = static_cast<uint32_t>(beta_);
  rect.alpha = static_cast<uint32_t>(alpha_);
  set_weights(g, span, whole, split, &rect);
  // A whole cell's weights are the same table rows for every such cell;
  // with all four windows they also come as tiles.
  rect.tiles = whole && !split && window_count_ == 4 ? tiles_for(g, rect) : nullptr;
  const bool in_place = span_in_place(span, split);
  if (in_place && whole && !split && window_count_ == 4) {
    g.interior = rect;
    g.interior_made = true;
  }
  for (int32_t p = 0; p < g.plane_count; ++p) {
    const int32_t plane = g.planes[p];
    set_samples(g, span, plane, split, in_place, &rect);
    gather_at(g, plane, span.i0, span.j0, &rect);
  }
}

// Cells go across the picture a band of rows at a time, so each of a cell's
// rows is read a few bytes further on in every plane of both frames and the
// output: dozens of streams a row apart, which at 3840 pixels a row lie in
// as many pages, more than the hardware prefetchers follow, and in frames
// that no longer fit the last-level cache. Each cell whose columns reach a
// new cache line kPrefetchAhead bytes on asks for that line of the rows the
// cell below it reads and writes, read at the displacement of the cell's own
// block (the bottom-right window), which the cells below mostly share: a
// band ahead, so the lines wait in the second-level cache. (Asking for the
// cell's own rows further along gained less.)
void BilateralGather::prefetch_ahead(const Cell& cell) const {
  constexpr int32_t kPrefetchAhead = 64;
  const Shares& s = windows_[window_count_ - 1].shares;
  for (int32_t n = 0; n < grid_count_; ++n) {
    const Grid& g = grids_[n];
    const int32_t row_bytes = ((width_ + g.last) >> g.shift) * g.bytes;
    const int32_t from = (cell.x0 >> g.shift) * g.bytes + kPrefetchAhead;
    const int32_t to = (cell.x1 >> g.shift) * g.bytes + kPrefetchAhead;
    if (from >> 6 == to >> 6) continue;
    const ptrdiff_t at = std::min(to, row_bytes - 1);
    const int32_t last_row = ((height_ + g.last) >> g.shift) - 1;
    const int32_t below = bs_ >> g.shift;
    for (int32_t j = (cell.y0 >> g.shift) + below; j < (cell.y1 >> g.shift) + below; ++j) {
      const ptrdiff_t first_row = std::clamp(j + scale_down(s.first_y, g.shift), 0, last_row);
      const ptrdiff_t second_row = std::clamp(j + scale_down(s.second_y, g.shift), 0, last_row);
      const ptrdiff_t out_row = std::min(j, last_row);
      for (int32_t p = 0; p < g.plane_count; ++p) {
        const int32_t plane = g.planes[p];
        FRAMEINTERP_PREFETCH(first_.data[plane] + first_row * first_.linesize[plane] + at);
        FRAMEINTERP_PREFETCH(second_.data[plane] + second_row * second_.linesize[plane] + at);
        FRAMEINTERP_PREFETCH_FOR_WRITE(out_.data[plane] + out_row * out_.linesize[plane] + at);
      }
    }
  }
}

void BilateralGather::compose_interior(Grid& g, const Span& span) {
  for (int32_t p = 0; p < g.plane_count; ++p) {
    const int32_t plane = g.planes[p];
    set_samples(g, span, plane, false, true, &g.interior);
    gather_at(g, plane, span.i0, span.j0, &g.interior);
  }
}

bool BilateralGather::windows_share_shares() const {
  const Shares& s = windows_[0].shares;
  return windows_[1].shares == s && windows_[2].shares == s && windows_[3].shares == s;
}

// An interior cell whose four windows move by the same shares, with every
// position weighing something (the grid's tiles exist): the pairs' samples
// are then the same two, s1 and s2, so the sum w_k x (beta x s1 + alpha x
// s2) over the pairs is W x (beta x s1 + alpha x s2) and the rounded mean
// (sum + 512 W) / (1024 W) is (beta x s1 + alpha x s2 + 512) / 1024: the
// plain blend of the displaced samples, whatever the weights. The kernel
// gives it for a rectangle without pairs, its own samples being those.
// False, composing nothing, where a position weighs nothing or the frames'
// strides differ.
bool BilateralGather::compose_shifted_blend(const Grid& g, const Span& span) {
  if (!g.interior.tiles) return false;
  for (int32_t p = 0; p < g.plane_count; ++p) {
    if (second_.linesize[g.planes[p]] != first_.linesize[g.planes[p]]) return false;
  }
  const Shares& s = windows_[0].scaled[g.shift];
  GatherRect rect = g.interior;
  rect.pairs = 0;
  rect.tiles = nullptr;
  const ptrdiff_t at = static_cast<ptrdiff_t>(span.i0) * g.bytes;
  for (int32_t p = 0; p < g.plane_count; ++p) {
    const int32_t plane = g.planes[p];
    const ptrdiff_t stride = first_.linesize[plane];
    const auto shifted = [&](int32_t dx, int32_t dy) { return (span.j0 + dy) * stride + at + ptrdiff_t{dx} * g.bytes; };
    rect.out = out_.data[plane] + span.j0 * static_cast<ptrdiff_t>(out_.linesize[plane]) + at;
    rect.out_stride = out_.linesize[plane];
    rect.own_first = first_.data[plane] + shifted(s.first_x, s.first_y);
    rect.own_second = second_.data[plane] + shifted(s.second_x, s.second_y);
    rect.own_stride = stride;
    gather_(rect);
  }
  return true;
}

void BilateralGather::set_window(Window& w, int32_t bx, int32_t by) const {
  w.block = by * ctx_.blocks_x + bx;
  w.bx = bx;
  w.by = by;
  w.sx = (bx << log2_bs_) - bs_ / 2;
  w.sy = (by << log2_bs_) - bs_ / 2;
  // The bilateral vector spans half the interval; the window stays in place.
  const MIBlock& block = ctx_.bilat_blocks[w.block];
  w.shares = shares_of(2 * block.vectors[0][0], 2 * block.vectors[0][1]);
  for (int32_t shift = 0; shift < 2; ++shift) {
    Shares& scaled = w.scaled[shift];
    scaled.first_x = scale_down(w.shares.first_x, shift);
    scaled.first_y = scale_down(w.shares.first_y, shift);
    scaled.second_x = scale_down(w.shares.second_x, shift);
    scaled.second_y = scale_down(w.shares.second_y, shift);
  }
}

void BilateralGather::compose_cell(const Cell& cell) {
  // The windows of the blocks above-left, above, left and at the cell, those
  // that exist. Going right from a cell of four, the right two become the
  // left two.
  const int32_t kx = (cell.x0 + bs_ / 2) >> log2_bs_, ky = (cell.y0 + bs_ / 2) >> log2_bs_;
  const bool all_four = kx >= 1 && kx < ctx_.blocks_x && ky >= 1 && ky < ctx_.blocks_y;
  if (all_four && window_count_ == 4 && windows_[1].bx == kx - 1 && windows_[1].by == ky - 1) {
    windows_[0] = windows_[1];
    windows_[2] = windows_[3];
    set_window(windows_[1], kx, ky - 1);
    set_window(windows_[3], kx, ky);
  } else {
    window_count_ = 0;
    for (int32_t by = ky - 1; by <= ky; ++by) {
      for (int32_t bx = kx - 1; bx <= kx; ++bx) {
        if (bx < 0 || bx >= ctx_.blocks_x || by < 0 || by >= ctx_.blocks_y) continue;
        set_window(windows_[window_count_++], bx, by);
      }
    }
  }
  if (window_count_ > 0) prefetch_ahead(cell);
  // The last column and row of the picture take no window; every other
  // pixel of the cell lies in all of its windows, with the table's weight.
  const bool whole = cell.x1 < width_ && cell.y1 < height_ && !adaptive_;
  const bool split = subdivided_in(cell);
  // The deciding pixels of every grid lie among the cell's own pixels, so
  // pairs that read the cell's pixels in place read every grid in place.
  const bool interior = whole && !split && window_count_ == 4;
  const bool in_place =
      interior && span_in_place({0, 0, 0, 0, cell.x0, cell.x1 - 1, cell.y0, cell.y1 - 1}, false);
  const bool same_shares = in_place && windows_share_shares();
  for (int32_t n = 0; n < grid_count_; ++n) {
    Grid& g = grids_[n];
    Span span{cell.x0 >> g.shift, cell.x1 >> g.shift, cell.y0 >> g.shift, cell.y1 >> g.shift, 0, 0, 0, 0};
    if (span.i0 >= span.i1 || span.j0 >= span.j1) continue;
    span.x_first = (span.i0 << g.shift) + g.last;
    span.x_last = ((span.i1 - 1) << g.shift) + g.last;
    span.y_first = (span.j0 << g.shift) + g.last;
    span.y_last = ((span.j1 - 1) << g.shift) + g.last;
    if (in_place && g.interior_made) {
      if (!(same_shares && compose_shifted_blend(g, span))) compose_interior(g, span);
    } else {
      compose_span(g, span, whole, split);
    }
  }
}

// The chroma column and row that an odd width or height adds: their
// deciding pixel lies in the last luma column or row, which no pair reaches,
// so they are the plain blend.
void BilateralGather::compose_edge_samples(const Grid& g) {
  if (g.shift == 0) return;
  const int32_t cols = (width_ + g.last) >> g.shift, rows = (height_ + g.last) >> g.shift;
  const int32_t full_cols = width_ >> g.shift, full_rows = height_ >> g.shift;
  struct Part {
    int32_t i0, i1, j0, j1;
  };
  const Part parts[2] = {{full_cols, cols, 0, rows}, {0, full_cols, full_rows, rows}};
  for (const Part& part : parts) {
    if (part.i0 >= part.i1 || part.j0 >= part.j1) continue;
    for (int32_t p = 0; p < g.plane_count; ++p) {
      GatherRect rect{};
      rect.cols = (part.i1 - part.i0) * g.bytes;
      rect.rows = part.j1 - part.j0;
      rect.beta = static_cast<uint32_t>(beta_);
      rect.alpha = static_cast<uint32_t>(alpha_);
      gather_at(g, g.planes[p], part.i0, part.j0, &rect);
    }
  }
}

void BilateralGather::run() {
  set_up_grids();
  if (adaptive_) compute_window_ratios();
  // Cell (kx, ky) holds the pixels from (kx x B - B / 2, ky x B - B / 2),
  // clipped to the picture; the last cell reaches the picture's end. Cells go
  // row by row (narrower columns of cells, tried for the cache's sake, were
  // no faster at 3840 x 2160 and slower at 1920 x 1080).
  const int32_t half = bs_ / 2;
  for (int32_t y = -half; y < height_; y += bs_) {
    for (int32_t x = -half; x < width_; x += bs_) {
      compose_cell({std::max(x, 0), std::min(x + bs_, width_), std::max(y, 0), std::min(y + bs_, height_)});
    }
  }
  for (int32_t g = 0; g < grid_count_; ++g) compose_edge_samples(grids_[g]);
}

}  // namespace

void compose_bilateral(MIContext& ctx, int32_t alpha, MIFrame* out) {
  BilateralGather gather(ctx, alpha, out);
  gather.run();
}

}  // namespace frameinterp
