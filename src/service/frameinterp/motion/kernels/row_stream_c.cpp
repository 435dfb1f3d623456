#include <cstring>

#include "motion/kernels/row_stream.h"

namespace frameinterp {

void stream_rows_c(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                   int64_t bytes, int64_t rows) {
  for (int64_t r = 0; r < rows; ++r, src += src_stride, dst += dst_stride) {
    std::memcpy(dst, src, static_cast<size_t>(bytes));
  }
}

}  // namespace frameinterp
