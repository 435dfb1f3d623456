// Copy of `rows` rows of `bytes` bytes between two planes, each with its own
// row stride, for a destination that is not read again soon: a picture
// entering the window, which the estimation and the scene check read only
// once the next one has entered. The SIMD twin writes around the caches
// (non-temporal stores), so the copy neither reads the destination's lines
// first nor pushes out of the caches the frames that the estimation and the
// synthesis read next. The same bytes land either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frameinterp {

using StreamRowsFn = void (*)(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst,
                              ptrdiff_t dst_stride, int64_t bytes, int64_t rows);

void stream_rows_c(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst, ptrdiff_t dst_stride,
                   int64_t bytes, int64_t rows);
void stream_rows_sse2(const uint8_t* src, ptrdiff_t src_stride, uint8_t* dst,
                      ptrdiff_t dst_stride, int64_t bytes, int64_t rows);

}  // namespace frameinterp
