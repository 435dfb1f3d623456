#include "motion/frame_sad.h"

#include <cstdlib>
#include <cstring>

#include "motion/kernels/motion_kernels.h"

namespace frameinterp {
namespace {

uint16_t load_u16(const uint8_t* p) {
  uint16_t v = 0;
  std::memcpy(&v, p, sizeof v);  // planes carry no alignment guarantee
  return v;
}

}  // namespace

void frame_sad_8(const uint8_t* a, int64_t a_stride, const uint8_t* b, int64_t b_stride,
                 int64_t width, int64_t height, uint64_t* sum) {
  *sum = width > 0 ? motion_kernels().plane_sad(a, a_stride, b, b_stride, width, height) : 0;
}

void frame_sad_16(const uint8_t* a, int64_t a_stride, const uint8_t* b, int64_t b_stride,
                  int64_t width, int64_t height, uint64_t* sum) {
  const int64_t a_step = a_stride / 2, b_step = b_stride / 2;  // in samples
  uint64_t total = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* a_row = a + 2 * (y * a_step);
    const uint8_t* b_row = b + 2 * (y * b_step);
    for (int64_t x = 0; x < width; ++x) {
      const int32_t d = static_cast<int32_t>(load_u16(a_row + 2 * x)) - load_u16(b_row + 2 * x);
      total += static_cast<uint64_t>(std::abs(d));
    }
  }
  *sum = total;
}

FrameSadFn select_frame_sad(int32_t bit_depth) {
  switch (bit_depth) {
    case 16:
      return frame_sad_16;
    case 8:
      return frame_sad_8;
    default:
      return nullptr;
  }
}

}  // namespace frameinterp
