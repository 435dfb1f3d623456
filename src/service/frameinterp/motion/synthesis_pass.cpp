#include "motion/synthesis_pass.h"

#include <algorithm>
#include <cstring>

#include "motion/synthesis.h"
#include "motion/working_frame.h"

namespace frameinterp {
namespace {

// Longest run of one window row: twice the largest block edge.
constexpr int32_t kMaxRun = 32;
// Pairs a pixel takes at most: MAX_CANDIDATES entries, two per pair.
constexpr uint8_t kMaxPairs = MAX_CANDIDATES / 2;
constexpr uint8_t kSquareWeight = 255;

constexpr struct SquareRow {
  uint8_t w[kMaxRun];
  constexpr SquareRow() : w() {
    for (uint8_t& v : w) v = kSquareWeight;
  }
} kSquareRow;

// trunc(v / 2^shift).
int32_t scale_down(int32_t v, int32_t shift) { return v < 0 ? -(-v >> shift) : v >> shift; }

// Each of n weights repeated `times` times (for the bytes of one pixel).
void spread(const uint8_t* weights, int32_t n, int32_t times, uint8_t* out) {
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t k = 0; k < times; ++k) *out++ = weights[i];
  }
}

// Every 2^shift-th weight from the first.
void pick(const uint8_t* weights, int32_t n, int32_t shift, uint8_t* out) {
  if (shift == 1) {
    for (int32_t k = 0; k < n; ++k) out[k] = weights[2 * k];
  } else {
    for (int32_t k = 0; k < n; ++k) out[k] = weights[k << shift];
  }
}

const uint8_t* plane_row(const MIFrame& f, int32_t plane, int32_t row) {
  return f.data[plane] + static_cast<ptrdiff_t>(row) * f.linesize[plane];
}

}  // namespace

SynthesisPass::SynthesisPass(MIContext& ctx, int32_t alpha, MIFrame* out)
    : ctx_(ctx),
      kernels_(motion_kernels()),
      first_(*ctx.frames[1].frame),
      second_(*ctx.frames[2].frame),
      out_(*out),
      width_(ctx.estimator.width),
      height_(ctx.estimator.height),
      alpha_(alpha),
      beta_(ALPHA_SCALE - alpha),
      luma_plane_(has_packed_pixels(out->format) ? kPackedPlane : 0),
      luma_bytes_(has_packed_pixels(out->format) ? kPackedPixelBytes : 1),
      chroma_planes_(out->format == kFormatPlanar ? std::clamp(ctx.plane_count, 1, 3) - 1 : 0),
      interleaved_(out->format == kFormatInterleaved),
      shift_w_(ctx.chroma_shift_w),
      shift_h_(ctx.chroma_shift_h),
      chroma_width_(ctx.estimator.width >> ctx.chroma_shift_w),
      chroma_height_(ctx.estimator.height >> ctx.chroma_shift_h) {}

SynthesisPass::Shares SynthesisPass::shares_of(int32_t vx, int32_t vy) const {
  // Vectors are a few times the search range at most, so v x 1024 fits in i32.
  return {vx * alpha_ / ALPHA_SCALE, vy * alpha_ / ALPHA_SCALE, -(vx * beta_ / ALPHA_SCALE),
          -(vy * beta_ / ALPHA_SCALE)};
}

void SynthesisPass::add_window(int32_t sx, int32_t sy, const uint8_t* window, int32_t vx,
                               int32_t vy) {
  const int32_t side = 2 * ctx_.block_size;
  const int32_t x0 = std::clamp(sx, 0, width_ - 1), x1 = std::clamp(sx + side, 0, width_ - 1);
  const int32_t y0 = std::clamp(sy, 0, height_ - 1), y1 = std::clamp(sy + side, 0, height_ - 1);
  if (x0 >= x1) return;
  const Shares s = shares_of(vx, vy);
  add_rows(y0, y1, columns_of(x0, x1, s),
           window + static_cast<ptrdiff_t>(y0 - sy) * side + (x0 - sx), side, s);
}

void SynthesisPass::add_square(int32_t x, int32_t y, int32_t edge, int32_t vx, int32_t vy) {
  const Shares s = shares_of(vx, vy);
  add_rows(y, y + edge, columns_of(x, x + edge, s), kSquareRow.w, 0, s);
}

SynthesisPass::Columns SynthesisPass::columns_of(int32_t x0, int32_t x1, const Shares& s) const {
  Columns c{x0, x1, 0, 0, 0, 0};
  c.lo = std::clamp(std::max(-s.first_x, -s.second_x), x0, x1);
  c.hi = std::clamp(std::min(width_ - s.first_x, width_ - s.second_x), c.lo, x1);
  // The deciding pixels: every 2^shift_w-th, from the first whose low bits
  // are all set, up to the end of the chroma grid.
  const int32_t last_bits = (1 << shift_w_) - 1;
  c.chroma_x = c.lo + ((last_bits - (c.lo & last_bits)) & last_bits);
  const int32_t i0 = c.chroma_x >> shift_w_;
  if (c.chroma_x < c.hi && i0 < chroma_width_) {
    c.chroma_count = std::min(((c.hi - 1 - c.chroma_x) >> shift_w_) + 1, chroma_width_ - i0);
  }
  return c;
}

SynthesisPass::RowSums SynthesisPass::row_sums(int32_t y, int32_t slot) const {
  const auto at = static_cast<size_t>(slot);
  const int32_t last_bits = (1 << shift_h_) - 1;
  const bool decides = (chroma_planes_ > 0 || interleaved_) && (y & last_bits) == last_bits &&
                       (y >> shift_h_) < chroma_height_;
  return {y, ctx_.px_totals + at * width_, ctx_.px_sums + at * width_ * luma_bytes_,
          decides ? ctx_.chroma_sums + at * 2 * chroma_width_ : nullptr,
          ctx_.px_pairs ? ctx_.px_pairs + at * width_ : nullptr};
}

void SynthesisPass::add_rows(int32_t y0, int32_t y1, const Columns& c, const uint8_t* weights,
                             ptrdiff_t stride, const Shares& s) {
  int32_t slot = y0 % ctx_.sums_rows;
  for (int32_t y = y0; y < y1; ++y, weights += stride) {
    add_row(row_sums(y, slot), c, weights, s);
    if (++slot == ctx_.sums_rows) slot = 0;
  }
}

void SynthesisPass::add_row(const RowSums& row, const Columns& c, const uint8_t* weights,
                            const Shares& s) {
  uint8_t capped[kMaxRun];
  if (row.pairs) {
    // A pixel takes its first 16 pairs of non-zero weight and drops the rest.
    for (int32_t x = c.x0; x < c.x1; ++x) {
      uint8_t w = weights[x - c.x0];
      if (w != 0) {
        if (row.pairs[x] < kMaxPairs) {
          ++row.pairs[x];
        } else {
          w = 0;
        }
      }
      capped[x - c.x0] = w;
    }
    weights = capped;
  }
  for (int32_t x = c.x0; x < c.lo; ++x) add_pixel(row, x, weights[x - c.x0], s);
  if (c.lo < c.hi) add_span(row, c, weights, s);
  for (int32_t x = c.hi; x < c.x1; ++x) add_pixel(row, x, weights[x - c.x0], s);
}

void SynthesisPass::add_span(const RowSums& row, const Columns& c, const uint8_t* weights,
                             const Shares& s) {
  const int32_t n = c.hi - c.lo;
  const uint8_t* w = weights + (c.lo - c.x0);
  const int32_t y1 = std::clamp(row.y + s.first_y, 0, height_ - 1);
  const int32_t y2 = std::clamp(row.y + s.second_y, 0, height_ - 1);
  const uint8_t* a = plane_row(first_, luma_plane_, y1) + (c.lo + s.first_x) * luma_bytes_;
  const uint8_t* b = plane_row(second_, luma_plane_, y2) + (c.lo + s.second_x) * luma_bytes_;
  if (luma_bytes_ == 1) {
    kernels_.accumulate_pixels(row.sums + c.lo, row.totals + c.lo, w, a, b, n, beta_, alpha_);
  } else {
    uint8_t per_byte[kMaxRun * kPackedPixelBytes];
    spread(w, n, luma_bytes_, per_byte);
    kernels_.accumulate_row(row.sums + c.lo * luma_bytes_, per_byte, a, b, n * luma_bytes_,
                            beta_, alpha_);
    kernels_.add_weights_row(row.totals + c.lo, w, n);
  }

  if (!row.chroma || c.chroma_count == 0) return;
  uint8_t deciding[kMaxRun];
  pick(weights + (c.chroma_x - c.x0), c.chroma_count, shift_w_, deciding);
  const int32_t i0 = c.chroma_x >> shift_w_, j = row.y >> shift_h_;
  const int32_t row1 = j + scale_down(y1 - row.y, shift_h_);
  const int32_t row2 = j + scale_down(y2 - row.y, shift_h_);
  const int32_t col1 = i0 + scale_down(s.first_x, shift_w_);
  const int32_t col2 = i0 + scale_down(s.second_x, shift_w_);
  for (int32_t p = 1; p <= chroma_planes_; ++p) {
    kernels_.accumulate_row(row.chroma + (p - 1) * chroma_width_ + i0, deciding,
                            plane_row(first_, p, row1) + col1, plane_row(second_, p, row2) + col2,
                            c.chroma_count, beta_, alpha_);
  }
  if (interleaved_) {
    uint8_t per_byte[2 * kMaxRun];
    spread(deciding, c.chroma_count, 2, per_byte);
    kernels_.accumulate_row(row.chroma + 2 * i0, per_byte, plane_row(first_, 1, row1) + 2 * col1,
                            plane_row(second_, 1, row2) + 2 * col2, 2 * c.chroma_count, beta_,
                            alpha_);
  }
}

void SynthesisPass::add_pixel(const RowSums& row, int32_t x, uint32_t weight, const Shares& s) {
  if (weight == 0) return;
  // Both samples stay inside the picture: the displacements are clamped.
  const int32_t y = row.y;
  const int32_t dx1 = std::clamp(s.first_x, -x, width_ - 1 - x);
  const int32_t dy1 = std::clamp(s.first_y, -y, height_ - 1 - y);
  const int32_t dx2 = std::clamp(s.second_x, -x, width_ - 1 - x);
  const int32_t dy2 = std::clamp(s.second_y, -y, height_ - 1 - y);
  const auto mix = [&](uint32_t a, uint32_t b) {
    return weight * (static_cast<uint32_t>(beta_) * a + static_cast<uint32_t>(alpha_) * b);
  };
  const uint8_t* a = plane_row(first_, luma_plane_, y + dy1) + (x + dx1) * luma_bytes_;
  const uint8_t* b = plane_row(second_, luma_plane_, y + dy2) + (x + dx2) * luma_bytes_;
  uint32_t* sum = row.sums + x * luma_bytes_;
  for (int32_t k = 0; k < luma_bytes_; ++k) sum[k] += mix(a[k], b[k]);
  row.totals[x] += weight << 10;

  const int32_t last_bits = (1 << shift_w_) - 1;
  const int32_t i = x >> shift_w_;
  if (!row.chroma || (x & last_bits) != last_bits || i >= chroma_width_) return;
  const int32_t j = y >> shift_h_;
  const int32_t col1 = i + scale_down(dx1, shift_w_), row1 = j + scale_down(dy1, shift_h_);
  const int32_t col2 = i + scale_down(dx2, shift_w_), row2 = j + scale_down(dy2, shift_h_);
  for (int32_t p = 1; p <= chroma_planes_; ++p) {
    row.chroma[(p - 1) * chroma_width_ + i] +=
        mix(plane_row(first_, p, row1)[col1], plane_row(second_, p, row2)[col2]);
  }
  if (interleaved_) {
    for (int32_t k = 0; k < 2; ++k) {
      row.chroma[2 * i + k] +=
          mix(plane_row(first_, 1, row1)[2 * col1 + k], plane_row(second_, 1, row2)[2 * col2 + k]);
    }
  }
}

void SynthesisPass::resolve_rows_before(int32_t end) {
  for (; resolved_ < std::min(end, height_); ++resolved_) resolve_row(resolved_);
}

void SynthesisPass::resolve_row(int32_t y) {
  const RowSums row = row_sums(y, y % ctx_.sums_rows);
  if (row.chroma) {
    // Each chroma sample takes the total of the pixel that decides it: one
    // copy per planar chroma plane (resolving clears the totals it reads),
    // one per byte of the interleaved pairs.
    const int32_t j = y >> shift_h_;
    const int32_t last_bits = (1 << shift_w_) - 1;
    const int32_t copies = interleaved_ ? 1 : chroma_planes_;
    const int32_t repeat = interleaved_ ? 2 : 1;
    uint32_t* chroma_total = ctx_.row_scratch;
    const uint32_t* deciding = row.totals + last_bits;
    if (shift_w_ == 1 && repeat == 1) {
      for (int32_t i = 0; i < chroma_width_; ++i) chroma_total[i] = deciding[2 * i];
    } else {
      for (int32_t i = 0; i < chroma_width_; ++i) {
        for (int32_t k = 0; k < repeat; ++k) chroma_total[i * repeat + k] = deciding[i << shift_w_];
      }
    }
    const size_t copy = static_cast<size_t>(chroma_width_ * repeat);
    for (int32_t c = 1; c < copies; ++c) {
      std::memcpy(chroma_total + c * copy, chroma_total, copy * sizeof(uint32_t));
    }
    for (int32_t p = 1; p <= chroma_planes_; ++p) {
      const int32_t at = (p - 1) * chroma_width_;
      kernels_.resolve_row(out_.data[p] + static_cast<ptrdiff_t>(j) * out_.linesize[p],
                           row.chroma + at, ctx_.row_scratch + at, plane_row(first_, p, j),
                           plane_row(second_, p, j), chroma_width_, beta_, alpha_);
    }
    if (interleaved_) {
      kernels_.resolve_row(out_.data[1] + static_cast<ptrdiff_t>(j) * out_.linesize[1], row.chroma,
                           ctx_.row_scratch, plane_row(first_, 1, j), plane_row(second_, 1, j),
                           2 * chroma_width_, beta_, alpha_);
    }
  }

  uint8_t* out = out_.data[luma_plane_] + static_cast<ptrdiff_t>(y) * out_.linesize[luma_plane_];
  const uint8_t* a = plane_row(first_, luma_plane_, y);
  const uint8_t* b = plane_row(second_, luma_plane_, y);
  if (luma_bytes_ == 1) {
    kernels_.resolve_row(out, row.sums, row.totals, a, b, width_, beta_, alpha_);
  } else {
    uint32_t* per_byte = ctx_.row_scratch;
    for (int32_t x = 0; x < width_; ++x) {
      for (int32_t k = 0; k < luma_bytes_; ++k) *per_byte++ = row.totals[x];
    }
    kernels_.resolve_row(out, row.sums, ctx_.row_scratch, a, b, width_ * luma_bytes_, beta_,
                         alpha_);
    std::fill(row.totals, row.totals + width_, 0u);
  }
  if (row.pairs) std::memset(row.pairs, 0, static_cast<size_t>(width_));
}

}  // namespace frameinterp
