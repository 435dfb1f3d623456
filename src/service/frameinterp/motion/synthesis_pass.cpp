#include "motion/synthesis_pass.h"

#include <algorithm>
#include <cstring>

#include "motion/working_frame.h"

namespace frameinterp {
namespace {

// Pairs a pixel takes at most.
constexpr uint8_t kMaxPairs = MAX_CANDIDATES / 2;
// trunc(v / 2^shift).
int32_t scale_down(int32_t v, int32_t shift) { return v < 0 ? -(-v >> shift) : v >> shift; }

// Each weight of `rows` rows of n repeated `times` times, into rows of n x
// times (for the bytes of one pixel).
void spread(const uint8_t* weights, ptrdiff_t stride, int32_t step, int32_t n, int32_t rows,
            int32_t times, uint8_t* out) {
  for (int32_t r = 0; r < rows; ++r, weights += stride) {
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t k = 0; k < times; ++k) *out++ = weights[i * step];
    }
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
  if (x0 >= x1 || y0 >= y1) return;
  const Shares s = shares_of(vx, vy);
  add_rows(y0, y1, columns_of(x0, x1, s),
           window + static_cast<ptrdiff_t>(y0 - sy) * side + (x0 - sx), side, s);
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

void SynthesisPass::add_rows(int32_t y0, int32_t y1, const Columns& c, const uint8_t* weights,
                             ptrdiff_t stride, const Shares& s) {
  {
    // A pixel takes its first 16 pairs of non-zero weight and drops the rest.
    for (int32_t y = y0; y < y1; ++y) {
      uint8_t* pairs = ctx_.px_pairs + static_cast<size_t>(y) * width_;
      const uint8_t* row = weights + (y - y0) * stride;
      uint8_t* capped = capped_ + (y - y0) * kMaxRun;
      for (int32_t x = c.x0; x < c.x1; ++x) {
        uint8_t w = row[x - c.x0];
        if (w != 0) {
          if (pairs[x] < kMaxPairs) {
            ++pairs[x];
          } else {
            w = 0;
          }
        }
        capped[x - c.x0] = w;
      }
    }
    weights = capped_;
    stride = kMaxRun;
  }
  // Rows whose samples come from clamped rows go one by one; the others at once.
  const int32_t ya = std::clamp(std::max(-s.first_y, -s.second_y), y0, y1);
  const int32_t yb = std::clamp(std::min(height_ - s.first_y, height_ - s.second_y), ya, y1);
  for (int32_t y = y0; y < ya; ++y) add_band(y, y + 1, c, weights + (y - y0) * stride, stride, s);
  if (ya < yb) add_band(ya, yb, c, weights + (ya - y0) * stride, stride, s);
  for (int32_t y = yb; y < y1; ++y) add_band(y, y + 1, c, weights + (y - y0) * stride, stride, s);
}

void SynthesisPass::add_band(int32_t y0, int32_t y1, const Columns& c, const uint8_t* weights,
                             ptrdiff_t stride, const Shares& s) {
  const int32_t rows = y1 - y0;
  for (int32_t r = 0; r < rows; ++r) {
    const uint8_t* row = weights + r * stride;
    for (int32_t x = c.x0; x < c.lo; ++x) add_pixel(y0 + r, x, row[x - c.x0], s);
    for (int32_t x = c.hi; x < c.x1; ++x) add_pixel(y0 + r, x, row[x - c.x0], s);
  }
  if (c.lo >= c.hi) return;

  const int32_t n = c.hi - c.lo;
  const size_t slot = static_cast<size_t>(y0);
  const int32_t row1 = std::clamp(y0 + s.first_y, 0, height_ - 1);
  const int32_t row2 = std::clamp(y0 + s.second_y, 0, height_ - 1);
  const uint8_t* w = weights + (c.lo - c.x0);
  PairRect rect{};
  rect.rows = rows;
  rect.beta = static_cast<uint32_t>(beta_);
  rect.alpha = static_cast<uint32_t>(alpha_);
  rect.first = plane_row(first_, luma_plane_, row1) + (c.lo + s.first_x) * luma_bytes_;
  rect.first_stride = first_.linesize[luma_plane_];
  rect.second = plane_row(second_, luma_plane_, row2) + (c.lo + s.second_x) * luma_bytes_;
  rect.second_stride = second_.linesize[luma_plane_];
  rect.sums = ctx_.px_sums + (slot * width_ + c.lo) * luma_bytes_;
  rect.sums_stride = static_cast<ptrdiff_t>(width_) * luma_bytes_;
  uint32_t* totals = ctx_.px_totals + slot * width_ + c.lo;
  if (luma_bytes_ == 1) {
    rect.totals = totals;
    rect.totals_stride = width_;
    rect.weights = w;
    rect.weights_stride = stride;
    rect.weight_step = 1;
    rect.cols = n;
    kernels_.accumulate_pairs(rect);
  } else {
    spread(w, stride, 1, n, rows, luma_bytes_, per_byte_);
    rect.weights = per_byte_;
    rect.weights_stride = static_cast<ptrdiff_t>(n) * luma_bytes_;
    rect.weight_step = 1;
    rect.cols = n * luma_bytes_;
    kernels_.accumulate_pairs(rect);
    for (int32_t r = 0; r < rows; ++r) {
      for (int32_t i = 0; i < n; ++i) totals[r * width_ + i] += uint32_t{w[r * stride + i]} << 10;
    }
  }

  // The rows that decide chroma rows, each 2^shift_h-th.
  if (c.chroma_count == 0 || (chroma_planes_ == 0 && !interleaved_)) return;
  const int32_t last_bits = (1 << shift_h_) - 1;
  const int32_t yd = y0 + ((last_bits - (y0 & last_bits)) & last_bits);
  const int32_t j0 = yd >> shift_h_;
  if (yd >= y1 || j0 >= chroma_height_) return;
  const int32_t chroma_rows = std::min(((y1 - 1 - yd) >> shift_h_) + 1, chroma_height_ - j0);
  const int32_t i0 = c.chroma_x >> shift_w_;
  const int32_t source1 = j0 + scale_down(std::clamp(yd + s.first_y, 0, height_ - 1) - yd, shift_h_);
  const int32_t source2 = j0 + scale_down(std::clamp(yd + s.second_y, 0, height_ - 1) - yd, shift_h_);
  const int32_t col1 = i0 + scale_down(s.first_x, shift_w_);
  const int32_t col2 = i0 + scale_down(s.second_x, shift_w_);
  const size_t chroma_row = 2 * static_cast<size_t>(chroma_width_);
  rect.rows = chroma_rows;
  rect.totals = nullptr;
  rect.sums_stride = static_cast<ptrdiff_t>(chroma_row) << shift_h_;
  uint32_t* sums = ctx_.chroma_sums + static_cast<size_t>(yd) * chroma_row;
  const uint8_t* deciding = weights + (yd - y0) * stride + (c.chroma_x - c.x0);
  for (int32_t p = 1; p <= chroma_planes_; ++p) {
    rect.sums = sums + (p - 1) * chroma_width_ + i0;
    rect.weights = deciding;
    rect.weights_stride = stride << shift_h_;
    rect.weight_step = 1 << shift_w_;
    rect.first = plane_row(first_, p, source1) + col1;
    rect.first_stride = first_.linesize[p];
    rect.second = plane_row(second_, p, source2) + col2;
    rect.second_stride = second_.linesize[p];
    rect.cols = c.chroma_count;
    kernels_.accumulate_pairs(rect);
  }
  if (interleaved_) {
    spread(deciding, stride << shift_h_, 1 << shift_w_, c.chroma_count, chroma_rows, 2, per_byte_);
    rect.sums = sums + 2 * i0;
    rect.weights = per_byte_;
    rect.weights_stride = 2 * c.chroma_count;
    rect.weight_step = 1;
    rect.first = plane_row(first_, 1, source1) + 2 * col1;
    rect.first_stride = first_.linesize[1];
    rect.second = plane_row(second_, 1, source2) + 2 * col2;
    rect.second_stride = second_.linesize[1];
    rect.cols = 2 * c.chroma_count;
    kernels_.accumulate_pairs(rect);
  }
}

void SynthesisPass::add_pixel(int32_t y, int32_t x, uint32_t weight, const Shares& s) {
  if (weight == 0) return;
  // Both samples stay inside the picture: the displacements are clamped.
  const int32_t dx1 = std::clamp(s.first_x, -x, width_ - 1 - x);
  const int32_t dy1 = std::clamp(s.first_y, -y, height_ - 1 - y);
  const int32_t dx2 = std::clamp(s.second_x, -x, width_ - 1 - x);
  const int32_t dy2 = std::clamp(s.second_y, -y, height_ - 1 - y);
  const auto mix = [&](uint32_t a, uint32_t b) {
    return weight * (static_cast<uint32_t>(beta_) * a + static_cast<uint32_t>(alpha_) * b);
  };
  const size_t slot = static_cast<size_t>(y);
  const uint8_t* a = plane_row(first_, luma_plane_, y + dy1) + (x + dx1) * luma_bytes_;
  const uint8_t* b = plane_row(second_, luma_plane_, y + dy2) + (x + dx2) * luma_bytes_;
  uint32_t* sum = ctx_.px_sums + (slot * width_ + x) * luma_bytes_;
  for (int32_t k = 0; k < luma_bytes_; ++k) sum[k] += mix(a[k], b[k]);
  ctx_.px_totals[slot * width_ + x] += weight << 10;

  const int32_t last_bits = (1 << shift_w_) - 1;
  const int32_t i = x >> shift_w_;
  if (!decides_chroma_row(y) || (x & last_bits) != last_bits || i >= chroma_width_) return;
  const int32_t j = y >> shift_h_;
  const int32_t col1 = i + scale_down(dx1, shift_w_), row1 = j + scale_down(dy1, shift_h_);
  const int32_t col2 = i + scale_down(dx2, shift_w_), row2 = j + scale_down(dy2, shift_h_);
  uint32_t* chroma = ctx_.chroma_sums + slot * 2 * chroma_width_;
  for (int32_t p = 1; p <= chroma_planes_; ++p) {
    chroma[(p - 1) * chroma_width_ + i] +=
        mix(plane_row(first_, p, row1)[col1], plane_row(second_, p, row2)[col2]);
  }
  if (interleaved_) {
    for (int32_t k = 0; k < 2; ++k) {
      chroma[2 * i + k] +=
          mix(plane_row(first_, 1, row1)[2 * col1 + k], plane_row(second_, 1, row2)[2 * col2 + k]);
    }
  }
}

void SynthesisPass::resolve() {
  for (int32_t y = 0; y < height_; ++y) resolve_row(y);
  resolve_edge_chroma();
}

void SynthesisPass::resolve_edge_chroma() {
  if (chroma_planes_ == 0 && !interleaved_) return;
  const int32_t cols = (width_ + (1 << shift_w_) - 1) >> shift_w_;
  const int32_t rows = (height_ + (1 << shift_h_) - 1) >> shift_h_;
  const int32_t bytes = interleaved_ ? 2 : 1;
  const auto blend = [&](int32_t plane, int32_t i, int32_t j) {
    for (int32_t k = 0; k < bytes; ++k) {
      const ptrdiff_t at = static_cast<ptrdiff_t>(i) * bytes + k;
      out_.data[plane][j * static_cast<ptrdiff_t>(out_.linesize[plane]) + at] = static_cast<uint8_t>(
          (static_cast<uint32_t>(beta_) * plane_row(first_, plane, j)[at] +
           static_cast<uint32_t>(alpha_) * plane_row(second_, plane, j)[at] + 512) >> 10);
    }
  };
  for (int32_t plane = 1; plane <= std::max(chroma_planes_, 1); ++plane) {
    for (int32_t j = 0; j < rows; ++j) {
      for (int32_t i = j < chroma_height_ ? chroma_width_ : 0; i < cols; ++i) blend(plane, i, j);
    }
  }
}

void SynthesisPass::resolve_row(int32_t y) {
  const size_t slot = static_cast<size_t>(y);
  uint32_t* totals = ctx_.px_totals + slot * width_;
  if (decides_chroma_row(y)) {
    // Each chroma sample takes the total of the pixel that decides it.
    const int32_t j = y >> shift_h_;
    const uint32_t* deciding = totals + (1 << shift_w_) - 1;
    uint32_t* sums = ctx_.chroma_sums + slot * 2 * chroma_width_;
    for (int32_t p = 1; p <= chroma_planes_; ++p) {
      kernels_.resolve_row(out_.data[p] + static_cast<ptrdiff_t>(j) * out_.linesize[p],
                           sums + (p - 1) * chroma_width_, deciding, 1 << shift_w_,
                           plane_row(first_, p, j), plane_row(second_, p, j), chroma_width_,
                           beta_, alpha_);
    }
    if (interleaved_) {
      uint32_t* per_byte = ctx_.row_scratch;
      for (int32_t i = 0; i < chroma_width_; ++i) {
        per_byte[2 * i] = per_byte[2 * i + 1] = deciding[i << shift_w_];
      }
      kernels_.resolve_row(out_.data[1] + static_cast<ptrdiff_t>(j) * out_.linesize[1], sums,
                           per_byte, 1, plane_row(first_, 1, j), plane_row(second_, 1, j),
                           2 * chroma_width_, beta_, alpha_);
    }
  }

  uint8_t* out = out_.data[luma_plane_] + static_cast<ptrdiff_t>(y) * out_.linesize[luma_plane_];
  uint32_t* sums = ctx_.px_sums + slot * width_ * luma_bytes_;
  const uint8_t* a = plane_row(first_, luma_plane_, y);
  const uint8_t* b = plane_row(second_, luma_plane_, y);
  if (luma_bytes_ == 1) {
    kernels_.resolve_row(out, sums, totals, 1, a, b, width_, beta_, alpha_);
  } else {
    uint32_t* per_byte = ctx_.row_scratch;
    for (int32_t x = 0; x < width_; ++x) {
      for (int32_t k = 0; k < luma_bytes_; ++k) *per_byte++ = totals[x];
    }
    kernels_.resolve_row(out, sums, ctx_.row_scratch, 1, a, b, width_ * luma_bytes_, beta_,
                         alpha_);
  }
  std::fill(totals, totals + width_, 0u);
  std::fill(ctx_.px_pairs + slot * width_, ctx_.px_pairs + (slot + 1) * width_, 0);
}

bool SynthesisPass::decides_chroma_row(int32_t y) const {
  const int32_t last_bits = (1 << shift_h_) - 1;
  return (chroma_planes_ > 0 || interleaved_) && (y & last_bits) == last_bits &&
         (y >> shift_h_) < chroma_height_;
}

}  // namespace frameinterp
