// Sum of absolute differences over a width x height area of two planes of
// 8-bit samples, each with its own row stride: the frame difference of the
// scene-change check. Exact in u64 for any area.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frameinterp {

using PlaneSadFn = uint64_t (*)(const uint8_t* a, ptrdiff_t a_stride, const uint8_t* b,
                                ptrdiff_t b_stride, int64_t width, int64_t height);

uint64_t plane_sad_c(const uint8_t* a, ptrdiff_t a_stride, const uint8_t* b, ptrdiff_t b_stride,
                     int64_t width, int64_t height);
uint64_t plane_sad_sse2(const uint8_t* a, ptrdiff_t a_stride, const uint8_t* b,
                        ptrdiff_t b_stride, int64_t width, int64_t height);
uint64_t plane_sad_avx2(const uint8_t* a, ptrdiff_t a_stride, const uint8_t* b,
                        ptrdiff_t b_stride, int64_t width, int64_t height);

}  // namespace frameinterp
