#include "motion/working_frame.h"

#include <cstdlib>
#include <limits>

#include "motion/copy_planes.h"
#include "motion/zeroed_alloc.h"
#include "tick_math.h"

namespace frameinterp {

bool working_layout(int32_t format, int32_t width, int32_t height, WorkingLayout* layout) {
  const int64_t pixels = int64_t{width} * height;
  if (width < 0 || height < 0 || pixels > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  const auto area = static_cast<size_t>(pixels);
  // Chroma covers 2 x 2 pixels, rounded up at an odd width or height.
  const int32_t chroma_w = width / 2 + width % 2, chroma_h = height / 2 + height % 2;
  const size_t chroma_area = static_cast<size_t>(chroma_w) * static_cast<size_t>(chroma_h);
  WorkingLayout l;
  if (format == kFormatPlanar) {
    l = {3, {area, chroma_area, chroma_area}, {width, chroma_w, chroma_w}, kFormatPlanar, 3, 1, 1};
  } else if (format == kFormatInterleaved) {
    l = {2, {area, 2 * chroma_area, 0}, {width, 2 * chroma_w, 0}, kFormatInterleaved, 2, 1, 1};
  } else {
    // The row of 4-byte pixels needs an i32 stride.
    if (int64_t{width} * kPackedPixelBytes > std::numeric_limits<int32_t>::max()) {
      return false;
    }
    l = {2,
         {area, area * kPackedPixelBytes, 0},
         {width, width * kPackedPixelBytes, 0},
         kFormatPacked,
         1,
         0,
         0};
  }
  *layout = l;
  return true;
}

MIFrame empty_frame() {
  MIFrame frame{};
  frame.pts = kNoTime;
  frame.duration = kNoTime;
  return frame;
}

bool allocate_planes(MIFrame* frame, int32_t format, int32_t width, int32_t height,
                     const WorkingLayout& layout) {
  frame->format = format;
  frame->width = width;
  frame->height = height;
  for (int32_t p = 0; p < layout.plane_count; ++p) {
    frame->data[p] = alloc_zeroed<uint8_t>(layout.plane_bytes[p]);
    frame->linesize[p] = layout.strides[p];
    if (!frame->data[p]) {
      free_planes(frame);
      return false;
    }
  }
  return true;
}

bool host_planes_fit(const MIFrame& frame, uint8_t* const planes[], const int32_t strides[]) {
  // Host plane p is working plane p, or the plane of pixels for packed ones.
  const int32_t first = has_packed_pixels(frame.format) ? kPackedPlane : 0;
  const int32_t count = frame.format == kFormatPlanar ? 3 : frame.format == kFormatInterleaved ? 2 : 1;
  for (int32_t p = 0; p < count; ++p) {
    if (!planes[p] || strides[p] < frame.linesize[first + p]) return false;
  }
  return true;
}

void free_planes(MIFrame* frame) {
  for (uint8_t* plane : frame->data) {
    std::free(plane);
  }
  *frame = empty_frame();
}

void copy_frame(const MIFrame& from, MIFrame* to) {
  copy_planes(from.format, from.height, from.data, from.linesize, to->data, to->linesize);
  if (has_packed_pixels(from.format)) {
    copy_planes(from.format, from.height, from.data + kPackedPlane, from.linesize + kPackedPlane,
                to->data + kPackedPlane, to->linesize + kPackedPlane);
  }
}

void derive_packed_luma(MIFrame* frame) {
  for (int32_t y = 0; y < frame->height; ++y) {
    const uint8_t* px = frame->data[kPackedPlane] + static_cast<ptrdiff_t>(y) * frame->linesize[kPackedPlane];
    uint8_t* luma = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
    for (int32_t x = 0; x < frame->width; ++x, px += kPackedPixelBytes) {
      luma[x] = static_cast<uint8_t>((px[0] + 2 * px[1] + px[2] + 2) >> 2);
    }
  }
}

}  // namespace frameinterp
