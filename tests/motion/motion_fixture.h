// Motion contexts configured the way the motion frame source configures them,
// and working frames owned by a test in the layout that source gives them.
#pragma once

#include <cstdint>
#include <memory>
#include <random>

#include "motion/mi_context.h"
#include "motion/working_frame.h"
#include "synthetic_planes.h"

namespace frameinterp::testing {

inline std::shared_ptr<MIContext> make_context(const MotionSettings& c = {}) {
  auto ctx = std::make_shared<MIContext>();
  configure(*ctx, c);
  return ctx;
}

// Points the estimator at two planes of one stride.
inline void aim(MEContext& me, const Plane& cur, const Plane& ref) {
  me.cur_plane = cur.data();
  me.ref_plane = ref.data();
  me.linesize = cur.stride;
}

// Frees the context's buffers on scope exit, whatever the test's outcome.
struct ContextGuard {
  std::shared_ptr<MIContext> ctx;
  ~ContextGuard() { destroy(ctx); }
};

struct OwnedFrame {
  MIFrame frame = empty_frame();

  OwnedFrame(int32_t format, int32_t width, int32_t height, int64_t pts = 0) {
    WorkingLayout layout;
    working_layout(format, width, height, &layout);
    allocate_planes(&frame, format, width, height, layout);
    frame.pts = pts;
    frame.duration = 0;
  }
  ~OwnedFrame() { free_planes(&frame); }
  OwnedFrame(const OwnedFrame&) = delete;
  OwnedFrame& operator=(const OwnedFrame&) = delete;

  // Rows of plane p that the layout holds, and bytes per row.
  int32_t rows(int32_t p) const {
    return p == 0 || has_packed_pixels(frame.format) ? frame.height : (frame.height + 1) / 2;
  }
  uint8_t& at(int32_t p, int32_t byte_x, int32_t y) {
    return frame.data[p][static_cast<size_t>(y) * frame.linesize[p] + byte_x];
  }
  void fill_random(uint32_t seed) {
    std::mt19937 rng(seed);
    for (int32_t p = 0; p < 3 && frame.data[p]; ++p) {
      for (int32_t y = 0; y < rows(p); ++y) {
        for (int32_t x = 0; x < frame.linesize[p]; ++x) at(p, x, y) = static_cast<uint8_t>(rng());
      }
    }
    if (has_packed_pixels(frame.format)) derive_packed_luma(&frame);
  }
};

// A context configured for width x height frames of the format.
inline std::shared_ptr<MIContext> context_for(int32_t format, int32_t width, int32_t height,
                                              const MotionSettings& config = {}) {
  auto ctx = make_context(config);
  ctx->format = format;
  WorkingLayout layout;
  working_layout(format, width, height, &layout);
  reset_input(ctx, layout.context_planes, width, height, layout.chroma_shift_w,
              layout.chroma_shift_h, 8);
  return ctx;
}

}  // namespace frameinterp::testing
