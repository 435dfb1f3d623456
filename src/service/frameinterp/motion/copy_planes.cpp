#include "motion/copy_planes.h"

#include <cstddef>
#include <cstring>

#include "format_codes.h"

namespace frameinterp {
namespace {

void copy_plane(const uint8_t* src, int32_t src_stride, uint8_t* dst, int32_t dst_stride,
                int32_t rows) {
  const int32_t row_bytes = src_stride < dst_stride ? src_stride : dst_stride;
  if (!src || !dst || row_bytes <= 0) {
    return;
  }
  for (int32_t r = 0; r < rows; ++r) {
    std::memcpy(dst, src, static_cast<size_t>(row_bytes));
    src += src_stride;
    dst += dst_stride;
  }
}

}  // namespace

void copy_planes(int32_t format, int32_t height, const uint8_t* const src[],
                 const int32_t src_strides[], uint8_t* const dst[], const int32_t dst_strides[]) {
  int32_t planes = 1;
  if (format == kFormatPlanar) {
    planes = 3;
  } else if (format == kFormatInterleaved) {
    planes = 2;
  }
  for (int32_t p = 0; p < planes; ++p) {
    copy_plane(src[p], src_strides[p], dst[p], dst_strides[p], p == 0 ? height : height / 2 + height % 2);
  }
}

}  // namespace frameinterp
