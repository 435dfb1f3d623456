#include <emmintrin.h>

#include <cstring>

#include "motion/kernels/row_stream.h"

namespace frameinterp {

void stream_rows_sse2(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst,
                      ptrdiff_t dst_stride, int64_t bytes, int64_t rows) {
  for (int64_t r = 0; r < rows; ++r, src += src_stride, dst += dst_stride) {
    // Non-temporal stores need 16-byte aligned addresses: the bytes before
    // the first such address of the row and after the last whole 16 go
    // through plain stores.
    const auto to_aligned = static_cast<int64_t>((16 - reinterpret_cast<uintptr_t>(dst) % 16) % 16);
    const int64_t head = to_aligned < bytes ? to_aligned : bytes;
    std::memcpy(dst, src, static_cast<size_t>(head));
    int64_t x = head;
    for (; x + 16 <= bytes; x += 16) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(dst + x),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)));
    }
    std::memcpy(dst + x, src + x, static_cast<size_t>(bytes - x));
  }
  // Orders the streamed stores before whatever the caller stores next, as
  // plain stores would be.
  _mm_sfence();
}

}  // namespace frameinterp
