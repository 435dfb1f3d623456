#include "motion/copy_planes.h"

#include <cstddef>

#include "format_codes.h"
#include "motion/kernels/motion_kernels.h"

namespace frameinterp {
namespace {

int32_t plane_count(int32_t format) {
  if (format == kFormatPlanar) return 3;
  if (format == kFormatInterleaved) return 2;
  return 1;
}

int32_t plane_rows(int32_t plane, int32_t height) {
  return plane == 0 ? height : height / 2 + height % 2;
}

// The bytes each row of the plane moves; 0 for a missing plane or a stride
// that is not positive.
int32_t row_bytes(int32_t plane, const uint8_t* const src[], const int32_t src_strides[],
                  uint8_t* const dst[], const int32_t dst_strides[]) {
  const int32_t bytes = src_strides[plane] < dst_strides[plane] ? src_strides[plane] : dst_strides[plane];
  return src[plane] && dst[plane] && bytes > 0 ? bytes : 0;
}

void copy_with(StreamRowsFn copy_rows, int32_t format, int32_t height, const uint8_t* const src[],
               const int32_t src_strides[], uint8_t* const dst[], const int32_t dst_strides[]) {
  for (int32_t p = 0; p < plane_count(format); ++p) {
    const int32_t bytes = row_bytes(p, src, src_strides, dst, dst_strides);
    if (bytes > 0) {
      copy_rows(src[p], src_strides[p], dst[p], dst_strides[p], bytes, plane_rows(p, height));
    }
  }
}

}  // namespace

void copy_planes(int32_t format, int32_t height, const uint8_t* const src[],
                 const int32_t src_strides[], uint8_t* const dst[], const int32_t dst_strides[]) {
  copy_with(stream_rows_c, format, height, src, src_strides, dst, dst_strides);
}

void stream_planes(int32_t format, int32_t height, const uint8_t* const src[],
                   const int32_t src_strides[], uint8_t* const dst[], const int32_t dst_strides[]) {
  int64_t picture = 0;
  for (int32_t p = 0; p < plane_count(format); ++p) {
    picture += int64_t{row_bytes(p, src, src_strides, dst, dst_strides)} * plane_rows(p, height);
  }
  const StreamRowsFn copy_rows = picture >= kStreamedPicture ? motion_kernels().stream_rows : stream_rows_c;
  copy_with(copy_rows, format, height, src, src_strides, dst, dst_strides);
}

}  // namespace frameinterp
