// Plane layout of the working frames by the upstream format code (see
// format_codes.h), and the picture operations that depend on it.
//
// A working frame of 4-byte pixels carries an 8-bit luma plane derived from
// the pixels as plane 0, so that estimation and scene detection see one 8-bit
// plane like for the other formats, and the pixels themselves as plane 1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "motion/mi_context.h"

namespace frameinterp {

inline constexpr int32_t kPackedPixelBytes = 4;
// Plane of a packed working frame that holds the pixels.
inline constexpr int32_t kPackedPlane = 1;

inline bool has_packed_pixels(int32_t format) {
  return format != kFormatPlanar && format != kFormatInterleaved;
}

struct WorkingLayout {
  int32_t plane_count = 0;
  size_t plane_bytes[3] = {};
  int32_t strides[3] = {};
  int32_t output_format = 0;  // format code of the sample that carries the frames out
  // How the motion context is configured: planes and chroma subsampling.
  int32_t context_planes = 0;
  int32_t chroma_shift_w = 0;
  int32_t chroma_shift_h = 0;
};

// The layout of a width x height picture of the format. False when the size
// cannot be held: negative, or more pixels than a 32-bit count (the limit of
// the motion context's per-pixel buffers).
bool working_layout(int32_t format, int32_t width, int32_t height, WorkingLayout* layout);

// An empty working frame: no times (kNoTime), no size, no planes.
MIFrame empty_frame();

// Gives an empty frame the size, format and zero-filled planes of the
// layout. False, with the frame left empty, when a plane cannot be
// allocated.
bool allocate_planes(MIFrame* frame, int32_t format, int32_t width, int32_t height,
                     const WorkingLayout& layout);

// Whether host planes of the frame's format, as a Lock gives them, can be
// copied to or from the frame: every plane present and no row stride
// narrower than the frame's rows. That each plane also holds all its rows is
// beyond what a Lock tells: it remains the host's promise.
bool host_planes_fit(const MIFrame& frame, uint8_t* const planes[], const int32_t strides[]);

// Frees the frame's planes and makes it empty.
void free_planes(MIFrame* frame);

// Copies the picture of one working frame into another of the same layout;
// the times are not touched.
void copy_frame(const MIFrame& from, MIFrame* to);

// Fills plane 0 of a packed working frame with (b0 + 2 b1 + b2 + 2) / 4 of
// each pixel's bytes: an approximation of luma for either order of the three
// colour bytes, the fourth (alpha or padding) left out.
void derive_packed_luma(MIFrame* frame);

}  // namespace frameinterp
