#include <cstddef>

#include "motion/synthesis.h"
#include "motion/working_frame.h"

namespace frameinterp {
namespace {

// One component of an output plane: samples `step` bytes apart starting at
// byte `offset`, at 1 / 2^shift of the luma resolution.
struct Component {
  int32_t plane;
  int32_t step;
  int32_t offset;
  int32_t shift_w;
  int32_t shift_h;
};

// The components of a frame of the format: luma first, then the chroma
// planes, the (U, V) bytes of the interleaved plane (U from U bytes, V from
// V bytes), or the four bytes of each packed pixel (from that pixel's own
// candidates).
int32_t components_of(const MIContext& ctx, int32_t format, Component out[5]) {
  const int32_t sw = ctx.chroma_shift_w, sh = ctx.chroma_shift_h;
  int32_t n = 0;
  out[n++] = {0, 1, 0, 0, 0};
  if (format == kFormatPlanar) {
    for (int32_t p = 1; p < ctx.plane_count && p < 3; ++p) out[n++] = {p, 1, 0, sw, sh};
  } else if (format == kFormatInterleaved) {
    out[n++] = {1, 2, 0, sw, sh};
    out[n++] = {1, 2, 1, sw, sh};
  } else {
    for (int32_t b = 0; b < kPackedPixelBytes; ++b) out[n++] = {kPackedPlane, kPackedPixelBytes, b, 0, 0};
  }
  return n;
}

// Sum of the pixel's weights; a list without candidates, or with only zero
// weights, is replaced by the plain blend of the two frames at the pixel's
// own place (total 1024), which stays stored.
uint32_t total_weight(MIContext& ctx, size_t i, int32_t alpha) {
  CandidateRefs& refs = ctx.px_refs[i];
  CandidateWeights& weights = ctx.px_weights[i];
  uint32_t total = 0;
  for (int32_t k = 0; k < refs.count; ++k) total += weights.weights[k];
  if (refs.count > 0 && total != 0) return total;

  CandidateVectors& vectors = ctx.px_vectors[i];
  refs.refs[0] = 1;
  weights.weights[0] = static_cast<uint32_t>(ALPHA_SCALE - alpha);
  vectors.vectors[0][0] = vectors.vectors[0][1] = 0;
  refs.refs[1] = 2;
  weights.weights[1] = static_cast<uint32_t>(alpha);
  vectors.vectors[1][0] = vectors.vectors[1][1] = 0;
  refs.count = 2;
  return ALPHA_SCALE;
}

// trunc(v / 2^shift).
int32_t scale_down(int32_t v, int32_t shift) { return v < 0 ? -(-v >> shift) : v >> shift; }

// Rounded weighted mean of the candidates' samples of one component at
// component position (ci, cj), each displaced by trunc(vector / 2^shift)
// whole samples. At most 16 pairs of weight <= 255 x 1024 over 8-bit
// samples: the sum stays below 16 x 255 x 1024 x 255, fits in u32.
uint8_t component_value(const MIContext& ctx, size_t i, uint32_t total, const Component& c,
                        int32_t ci, int32_t cj) {
  const CandidateRefs& refs = ctx.px_refs[i];
  const CandidateWeights& weights = ctx.px_weights[i];
  const CandidateVectors& vectors = ctx.px_vectors[i];
  uint32_t sum = 0;
  for (int32_t k = 0; k < refs.count; ++k) {
    const MIFrame* f = ctx.frames[refs.refs[k]].frame;
    const int32_t sx = ci + scale_down(vectors.vectors[k][0], c.shift_w);
    const int32_t sy = cj + scale_down(vectors.vectors[k][1], c.shift_h);
    sum += weights.weights[k] *
           f->data[c.plane][static_cast<ptrdiff_t>(sy) * f->linesize[c.plane] +
                            static_cast<ptrdiff_t>(sx) * c.step + c.offset];
  }
  return static_cast<uint8_t>((sum + total / 2) / total);
}

}  // namespace

// Every luma pixel in raster order computes the samples it decides. A
// subsampled sample would be written in turn by each luma pixel of its
// 2^shift_w x 2^shift_h group, the last (the bottom-right one) deciding, so
// it is computed once, from that pixel's list; samples beyond the
// (width >> shift) x (height >> shift) component grid are not written. The
// candidate vectors keep (x, y) + v inside the luma plane, which keeps the
// displaced position of a deciding pixel inside the component grid.
void compose_frame(std::shared_ptr<MIContext> mi_ctx, int32_t alpha, MIFrame* out) {
  MIContext& ctx = *mi_ctx;
  const int32_t width = ctx.estimator.width, height = ctx.estimator.height;
  Component components[5];
  const int32_t n = components_of(ctx, out->format, components);

  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * width + x;
      const uint32_t total = total_weight(ctx, i, alpha);
      out->data[0][static_cast<ptrdiff_t>(y) * out->linesize[0] + x] =
          component_value(ctx, i, total, components[0], x, y);
      for (int32_t k = 1; k < n; ++k) {
        const Component& c = components[k];
        const int32_t last_w = (1 << c.shift_w) - 1, last_h = (1 << c.shift_h) - 1;
        const int32_t ci = x >> c.shift_w, cj = y >> c.shift_h;
        if ((x & last_w) != last_w || (y & last_h) != last_h || ci >= (width >> c.shift_w) ||
            cj >= (height >> c.shift_h)) {
          continue;
        }
        out->data[c.plane][static_cast<ptrdiff_t>(cj) * out->linesize[c.plane] +
                           static_cast<ptrdiff_t>(ci) * c.step + c.offset] =
            component_value(ctx, i, total, c, ci, cj);
      }
    }
  }
}

}  // namespace frameinterp
