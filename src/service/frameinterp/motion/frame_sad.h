// Whole-plane sum of absolute sample differences, for the scene-change check.
#pragma once

#include <cstdint>

namespace frameinterp {

// Planes a and b with their strides in bytes; width x height samples; the
// exact sum goes to *sum (0 when height < 1 or width < 1).
using FrameSadFn = void (*)(const uint8_t* a, int64_t a_stride, const uint8_t* b,
                            int64_t b_stride, int64_t width, int64_t height, uint64_t* sum);

// 8-bit samples.
void frame_sad_8(const uint8_t* a, int64_t a_stride, const uint8_t* b, int64_t b_stride,
                 int64_t width, int64_t height, uint64_t* sum);

// 16-bit samples in native byte order; each row steps stride / 2 samples.
void frame_sad_16(const uint8_t* a, int64_t a_stride, const uint8_t* b, int64_t b_stride,
                  int64_t width, int64_t height, uint64_t* sum);

// frame_sad_16 for 16, frame_sad_8 for 8, null otherwise.
FrameSadFn select_frame_sad(int32_t bit_depth);

}  // namespace frameinterp
