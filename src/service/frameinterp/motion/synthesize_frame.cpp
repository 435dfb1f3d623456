#include "motion/synthesize_frame.h"

#include "motion/bidir_candidates.h"
#include "motion/bilateral_synthesis.h"
#include "motion/working_frame.h"

namespace frameinterp {
namespace {

// |a - b| and whether a < b, exact for any two 64-bit values.
uint64_t distance(int64_t a, int64_t b, bool* negative) {
  *negative = a < b;
  return *negative ? static_cast<uint64_t>(b) - static_cast<uint64_t>(a)
                   : static_cast<uint64_t>(a) - static_cast<uint64_t>(b);
}

bool same_layout(const MIFrame& a, const MIFrame& b) {
  return a.width == b.width && a.height == b.height && a.format == b.format;
}

}  // namespace

int32_t interpolation_position(int64_t pts, int64_t first, int64_t second) {
  bool offset_negative = false, span_negative = false;
  const uint64_t offset = distance(pts, first, &offset_negative);
  const uint64_t span = distance(second, first, &span_negative);
  if (span == 0 || offset == 0 || offset_negative != span_negative) {
    return 0;  // at or before `first`; equal times give no interval at all
  }
  if (offset >= span) {
    return ALPHA_SCALE;
  }
  // floor(offset x 1024 / span) by long division over the 10 bits of 1024.
  // The running remainder r stays below span; 2r >= span is tested as
  // r >= span - r and 2r - span formed as r - (span - r), so nothing overflows.
  uint64_t remainder = offset;
  int32_t alpha = 0;
  for (int32_t bit = 0; bit < 10; ++bit) {
    alpha <<= 1;
    if (remainder >= span - remainder) {
      remainder -= span - remainder;
      ++alpha;
    } else {
      remainder <<= 1;
    }
  }
  return alpha;
}

void synthesize_frame(std::shared_ptr<MIContext> mi_ctx, MIFrame* out) {
  MIContext& ctx = *mi_ctx;
  const MIFrame* first = ctx.frames[1].frame;
  const MIFrame* second = ctx.frames[2].frame;
  if (!ctx.ready || !first || !second || !ctx.frames[0].frame || !ctx.frames[3].frame ||
      out->format != ctx.format || !same_layout(*first, *out) || !same_layout(*second, *out) ||
      out->width != ctx.estimator.width || out->height != ctx.estimator.height) {
    return;
  }

  const int32_t alpha = interpolation_position(out->pts, first->pts, second->pts);
  if (alpha <= 0) {
    copy_frame(*first, out);
    return;
  }
  if (alpha >= ALPHA_SCALE) {
    copy_frame(*second, out);
    return;
  }
  if (ctx.scene_cut) {
    copy_frame(alpha <= ALPHA_SCALE / 2 ? *first : *second, out);
    return;
  }

  if (ctx.me_mode == ME_MODE_BIDIR) {
    SynthesisPass pass(ctx, alpha, out);
    collect_bidir_candidates(pass);
    pass.resolve();
  } else if (ctx.me_mode == ME_MODE_BILAT) {
    compose_bilateral(ctx, alpha, out);
  }
}

}  // namespace frameinterp
