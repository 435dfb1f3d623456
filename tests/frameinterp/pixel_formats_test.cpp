// The BT.601 limited-range BGRA conversion of the host pixel formats (the
// planar formats' layouts are checked by the golden table's format rows).
#include <gtest/gtest.h>


#include "pixel_formats.h"

namespace fitool {
namespace {

Picture RoundTrip(const Picture& picture, uint32_t format) {
  const auto buffer = ToHostBuffer(picture, format);
  std::string error;
  auto back = FromHostBuffer(*buffer, &error);
  EXPECT_TRUE(back.has_value()) << error;
  return back.value_or(Picture{});
}

TEST(PixelFormats, BgraUsesLimitedRangeBt601AndRoundTripsThroughHostBuffers) {
  struct Case {
    uint8_t b, g, r;
    uint8_t y, u, v;
  };
  for (const Case c : {Case{0, 0, 0, 16, 128, 128}, Case{255, 255, 255, 235, 128, 128},
                       Case{0, 0, 255, 82, 90, 240}, Case{0, 255, 0, 144, 54, 34},
                       Case{255, 0, 0, 41, 240, 110}}) {
    const uint8_t pixel[4] = {c.b, c.g, c.r, 255};
    std::vector<uint8_t> bgra;
    for (int i = 0; i < 4; ++i) bgra.insert(bgra.end(), pixel, pixel + 4);
    const Picture picture = BgraToPicture(bgra.data(), 8, 2, 2);
    EXPECT_EQ(picture.y, std::vector<uint8_t>(4, c.y)) << int{c.r} << "," << int{c.g};
    EXPECT_EQ(picture.u[0], c.u) << int{c.r} << "," << int{c.g};
    EXPECT_EQ(picture.v[0], c.v) << int{c.r} << "," << int{c.g};

    std::vector<uint8_t> back(16);
    PictureToBgra(picture, back.data(), 8);
    EXPECT_NEAR(back[0], c.b, 2);
    EXPECT_NEAR(back[1], c.g, 2);
    EXPECT_NEAR(back[2], c.r, 2);
    EXPECT_EQ(back[3], 255);
    const Picture again = RoundTrip(picture, kFormatBgra);
    EXPECT_NEAR(again.y[3], c.y, 1);
    EXPECT_NEAR(again.u[0], c.u, 1);
    EXPECT_NEAR(again.v[0], c.v, 1);
  }
}

}  // namespace
}  // namespace fitool
