// The frame SAD of the scene check against a plain sum, 8- and 16-bit; the
// streamed copy of pictures against the plain one.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "format_codes.h"
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

// Sample x of row y: 8-bit, or 16-bit with rows stride / 2 samples apart.
int sample(const std::vector<uint8_t>& plane, int64_t stride, int bytes, int64_t x, int64_t y) {
  if (bytes == 1) return plane[static_cast<size_t>(y * stride + x)];
  uint16_t v = 0;
  std::memcpy(&v, plane.data() + 2 * ((stride / 2) * y + x), 2);
  return v;
}

TEST(FrameSad, MatchesAPlainSumOnOddSizesAndStrides) {
  // {bytes per sample, width, height, stride a, stride b}; 16-bit rows with
  // odd byte strides step stride / 2 samples.
  const int64_t cases[][5] = {{1, 1, 1, 1, 3},   {1, 7, 5, 9, 7},   {1, 33, 17, 40, 35},
                              {1, 101, 3, 101, 128}, {2, 3, 3, 7, 9}, {2, 9, 5, 19, 21},
                              {2, 31, 7, 63, 70}};
  uint32_t seed = 10;
  for (const auto& [bytes, w, h, sa, sb] : cases) {
    const auto a = random_bytes(static_cast<size_t>(sa * h + 2), seed++);
    const auto b = random_bytes(static_cast<size_t>(sb * h + 2), seed++);
    uint64_t expected = 0;
    for (int64_t y = 0; y < h; ++y) {
      for (int64_t x = 0; x < w; ++x) {
        const int d = sample(a, sa, int(bytes), x, y) - sample(b, sb, int(bytes), x, y);
        expected += static_cast<uint64_t>(d < 0 ? -d : d);
      }
    }
    uint64_t sum = 1;
    (bytes == 1 ? frame_sad_8 : frame_sad_16)(a.data(), sa, b.data(), sb, w, h, &sum);
    EXPECT_EQ(sum, expected) << bytes << ": " << w << "x" << h;
  }
}

// Pictures on both sides of the size from which copies are streamed, planar
// and interleaved, each row moving the smaller stride's bytes: the streamed
// planes are the copied ones, and the bytes past each row are untouched.
TEST(StreamedPictures, LandAsCopiedOnes) {
  for (const int32_t format : {kFormatPlanar, kFormatInterleaved}) {
    for (const int32_t width : {640, 1921}) {
      const int32_t height = width == 640 ? 360 : 1081;
      const int32_t src_strides[3] = {width + 64, width / 2 + 33, width / 2 + 40};
      const int32_t dst_strides[3] = {width + 3, width / 2 + 17, width / 2 + 1};
      std::vector<uint8_t> src[3];
      const uint8_t* src_planes[3] = {};
      for (int p = 0; p < 3; ++p) {
        src[p] = random_bytes(static_cast<size_t>(src_strides[p]) * static_cast<size_t>(height), 11 + p);
        src_planes[p] = src[p].data();
      }
      const auto run = [&](auto copy) {
        std::vector<std::vector<uint8_t>> dst(3);
        uint8_t* dst_planes[3] = {};
        for (int p = 0; p < 3; ++p) {
          dst[p].assign(static_cast<size_t>(dst_strides[p]) * static_cast<size_t>(height) + 1, 7);
          dst_planes[p] = dst[p].data() + 1;
        }
        copy(format, height, src_planes, src_strides, dst_planes, dst_strides);
        return dst;
      };
      EXPECT_EQ(run(stream_planes), run(copy_planes)) << "format " << format << ", width " << width;
    }
  }
}

}  // namespace
}  // namespace frameinterp
