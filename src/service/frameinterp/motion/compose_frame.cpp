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

// Gives a pixel without candidates, or with only zero weights, the plain
// blend of the two frames at its own place, stored as its list.
void fill_empty_lists(MIContext& ctx, int32_t alpha) {
  const size_t pixels = static_cast<size_t>(ctx.estimator.width) * ctx.estimator.height;
  for (size_t i = 0; i < pixels; ++i) {
    CandidateRefs& refs = ctx.px_refs[i];
    CandidateWeights& weights = ctx.px_weights[i];
    uint32_t total = 0;
    for (int32_t j = 0; j < refs.count; ++j) {
      total += weights.weights[j];
    }
    if (refs.count > 0 && total != 0) {
      continue;
    }
    CandidateVectors& vectors = ctx.px_vectors[i];
    refs.refs[0] = 1;
    weights.weights[0] = static_cast<uint32_t>(ALPHA_SCALE - alpha);
    vectors.vectors[0][0] = vectors.vectors[0][1] = 0;
    refs.refs[1] = 2;
    weights.weights[1] = static_cast<uint32_t>(alpha);
    vectors.vectors[1][0] = vectors.vectors[1][1] = 0;
    refs.count = 2;
  }
}

// Writes one component. A subsampled sample is the one that luma pixels of
// its 2^shift_w x 2^shift_h group would each write in turn, the last (the
// bottom-right one) deciding; it is computed once, from that pixel's list.
// Each candidate reads the sample of its frame at the component position
// displaced by trunc(vector / 2^shift) whole samples. The candidate vectors
// keep (x, y) + v inside the luma plane, and for the deciding pixel that keeps
// the displaced position inside the (width >> shift) x (height >> shift)
// component grid.
void compose_component(const MIContext& ctx, const Component& c, MIFrame* out) {
  const int32_t width = ctx.estimator.width;
  const int32_t cols = width >> c.shift_w;
  const int32_t rows = ctx.estimator.height >> c.shift_h;
  const int32_t div_w = 1 << c.shift_w, div_h = 1 << c.shift_h;
  const MIFrame* frames[3] = {nullptr, ctx.frames[1].frame, ctx.frames[2].frame};
  for (int32_t j = 0; j < rows; ++j) {
    const int32_t y = j * div_h + div_h - 1;
    for (int32_t i = 0; i < cols; ++i) {
      const int32_t x = i * div_w + div_w - 1;
      const size_t px = static_cast<size_t>(y) * width + x;
      const CandidateRefs& refs = ctx.px_refs[px];
      const CandidateWeights& weights = ctx.px_weights[px];
      const CandidateVectors& vectors = ctx.px_vectors[px];
      // At most 16 pairs of weight <= 255 x 1024 over 8-bit samples:
      // sum <= 16 x 255 x 1024 x 255, fits in u32.
      uint32_t total = 0, sum = 0;
      for (int32_t k = 0; k < refs.count; ++k) {
        const MIFrame* f = frames[refs.refs[k]];
        const int32_t sx = i + vectors.vectors[k][0] / div_w;
        const int32_t sy = j + vectors.vectors[k][1] / div_h;
        const uint8_t sample =
            f->data[c.plane][static_cast<ptrdiff_t>(sy) * f->linesize[c.plane] +
                             static_cast<ptrdiff_t>(sx) * c.step + c.offset];
        total += weights.weights[k];
        sum += weights.weights[k] * sample;
      }
      out->data[c.plane][static_cast<ptrdiff_t>(j) * out->linesize[c.plane] +
                         static_cast<ptrdiff_t>(i) * c.step + c.offset] =
          static_cast<uint8_t>((sum + total / 2) / total);
    }
  }
}

}  // namespace

void compose_frame(std::shared_ptr<MIContext> mi_ctx, int32_t alpha, MIFrame* out) {
  MIContext& ctx = *mi_ctx;
  fill_empty_lists(ctx, alpha);

  compose_component(ctx, {0, 1, 0, 0, 0}, out);  // luma
  const int32_t sw = ctx.chroma_shift_w, sh = ctx.chroma_shift_h;
  if (out->format == kFormatPlanar) {
    for (int32_t p = 1; p < ctx.plane_count; ++p) {
      compose_component(ctx, {p, 1, 0, sw, sh}, out);
    }
  } else if (out->format == kFormatInterleaved) {
    // (U, V) byte pairs: each byte from the same-named bytes of the candidates.
    compose_component(ctx, {1, 2, 0, sw, sh}, out);
    compose_component(ctx, {1, 2, 1, sw, sh}, out);
  } else {
    // Packed pixels: every byte of a pixel from that pixel's own candidates.
    for (int32_t b = 0; b < kPackedPixelBytes; ++b) {
      compose_component(ctx, {kPackedPlane, kPackedPixelBytes, b, 0, 0}, out);
    }
  }
}

}  // namespace frameinterp
