// Whole-frame kernels: frame SAD against a plain sum, and the plane copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "motion/copy_planes.h"
#include "motion/frame_sad.h"

namespace frameinterp {
namespace {

std::vector<uint8_t> random_bytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) {
    b = static_cast<uint8_t>(rng());
  }
  return v;
}

uint16_t sample16(const std::vector<uint8_t>& plane, int64_t stride, int64_t x, int64_t y) {
  uint16_t v = 0;
  std::memcpy(&v, plane.data() + 2 * ((stride / 2) * y + x), 2);
  return v;
}

TEST(FrameSad, EightBitMatchesAPlainSumOnOddSizes) {
  const int64_t sizes[][4] = {{1, 1, 1, 3}, {7, 5, 9, 7}, {33, 17, 40, 35}, {101, 3, 101, 128}};
  uint32_t seed = 10;
  for (const auto& [w, h, sa, sb] : sizes) {
    const auto a = random_bytes(static_cast<size_t>(sa * h), seed++);
    const auto b = random_bytes(static_cast<size_t>(sb * h), seed++);
    uint64_t expected = 0;
    for (int64_t y = 0; y < h; ++y) {
      for (int64_t x = 0; x < w; ++x) {
        const int d = a[y * sa + x] - b[y * sb + x];
        expected += static_cast<uint64_t>(d < 0 ? -d : d);
      }
    }
    uint64_t sum = 1;
    frame_sad_8(a.data(), sa, b.data(), sb, w, h, &sum);
    EXPECT_EQ(sum, expected) << w << "x" << h;
  }
}

TEST(FrameSad, SixteenBitStepsRowsByHalfTheByteStride) {
  // Odd byte strides: rows step stride / 2 samples.
  const int64_t sizes[][4] = {{3, 3, 7, 9}, {9, 5, 19, 21}, {31, 7, 63, 70}};
  uint32_t seed = 30;
  for (const auto& [w, h, sa, sb] : sizes) {
    const auto a = random_bytes(static_cast<size_t>(sa * h + 2), seed++);
    const auto b = random_bytes(static_cast<size_t>(sb * h + 2), seed++);
    uint64_t expected = 0;
    for (int64_t y = 0; y < h; ++y) {
      for (int64_t x = 0; x < w; ++x) {
        const int d = sample16(a, sa, x, y) - sample16(b, sb, x, y);
        expected += static_cast<uint64_t>(d < 0 ? -d : d);
      }
    }
    uint64_t sum = 0;
    frame_sad_16(a.data(), sa, b.data(), sb, w, h, &sum);
    EXPECT_EQ(sum, expected) << w << "x" << h;
  }
}

TEST(FrameSad, EmptyPictureSumsToZero) {
  const uint8_t px[4] = {0, 255, 0, 255};
  for (FrameSadFn fn : {&frame_sad_8, &frame_sad_16}) {
    uint64_t sum = 99;
    fn(px, 2, px + 1, 2, 1, 0, &sum);
    EXPECT_EQ(sum, 0u);
    fn(px, 2, px + 1, 2, 1, -3, &sum);
    EXPECT_EQ(sum, 0u);
  }
  EXPECT_EQ(select_frame_sad(8), &frame_sad_8);
  EXPECT_EQ(select_frame_sad(16), &frame_sad_16);
  EXPECT_EQ(select_frame_sad(10), nullptr);
}

// Three planes of one fill value each, with the given strides and rows.
struct Picture {
  std::vector<uint8_t> planes[3];
  int32_t strides[3];
  Picture(const int32_t (&s)[3], int32_t rows, uint8_t fill) {
    for (int p = 0; p < 3; ++p) {
      strides[p] = s[p];
      planes[p].assign(static_cast<size_t>(s[p]) * (p == 0 ? rows : (rows + 1) / 2), fill);
    }
  }
  uint8_t* data[3] = {};
  uint8_t* const* pointers() {
    for (int p = 0; p < 3; ++p) {
      data[p] = planes[p].data();
    }
    return data;
  }
  size_t count(int p, uint8_t v) const {
    return static_cast<size_t>(std::count(planes[p].begin(), planes[p].end(), v));
  }
};

TEST(CopyPlanes, ThreePlaneFormatCopiesHalfHeightChromaAtTheSmallerStride) {
  Picture src({12, 6, 7}, 5, 1);
  Picture dst({10, 8, 5}, 5, 0);
  copy_planes(1, 5, src.pointers(), src.strides, dst.pointers(), dst.strides);
  EXPECT_EQ(dst.count(0, 1), 10u * 5);  // every byte of each destination row
  EXPECT_EQ(dst.count(1, 1), 6u * 2);   // 5 / 2 rows of 6 bytes
  EXPECT_EQ(dst.count(2, 1), 5u * 2);
}

TEST(CopyPlanes, OtherFormatsCopyTheirPlanesOnly) {
  Picture src({8, 8, 8}, 4, 1);
  Picture dst({8, 8, 8}, 4, 0);
  copy_planes(6, 4, src.pointers(), src.strides, dst.pointers(), dst.strides);
  EXPECT_EQ(dst.count(1, 1), 16u);
  EXPECT_EQ(dst.count(2, 1), 0u);
  Picture packed({8, 8, 8}, 4, 0);
  copy_planes(20, 4, src.pointers(), src.strides, packed.pointers(), packed.strides);
  EXPECT_EQ(packed.count(0, 1), 32u);
  EXPECT_EQ(packed.count(1, 1), 0u);
}

TEST(CopyPlanes, MissingPlanesAndNonPositiveStridesCopyNothing) {
  Picture src({8, 4, 4}, 4, 1);
  Picture dst({8, 4, 4}, 4, 0);
  uint8_t* const* d = dst.pointers();
  uint8_t* holes[3] = {d[0], nullptr, d[2]};
  const int32_t strides[3] = {-8, 4, 0};
  copy_planes(1, 4, src.pointers(), src.strides, holes, strides);
  EXPECT_EQ(dst.count(0, 1) + dst.count(1, 1) + dst.count(2, 1), 0u);
}

}  // namespace
}  // namespace frameinterp
