// Sum of absolute differences between two n x n squares of 8-bit samples that
// share one row stride: the core of every candidate cost of the block
// searches. At most 32 x 32 x 255 = 261,120, so it fits in u32.
//
// One plain reference per edge and the SIMD twins beside it; every twin gives
// the reference's sum for any samples, stride and alignment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frameinterp {

using BlockSadFn = uint32_t (*)(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);

// Any edge n >= 0; the reference of every other kernel of the family.
uint32_t sad_square_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride, int32_t n);

uint32_t sad_1x1_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_2x2_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_4x4_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_8x8_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_16x16_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_32x32_c(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);

uint32_t sad_4x4_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_8x8_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_16x16_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_32x32_sse2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);

uint32_t sad_8x8_avx2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_16x16_avx2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);
uint32_t sad_32x32_avx2(const uint8_t* a, const uint8_t* b, ptrdiff_t stride);

}  // namespace frameinterp
