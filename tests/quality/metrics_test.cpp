#include "quality/metrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "testdata.h"
#include "y4m_clip.h"

namespace {

using fitool::Picture;
using fitool::PsnrAll;
using fitool::PsnrY;
using fitool::SsimY;

constexpr double kInf = std::numeric_limits<double>::infinity();

// The luma frames of a clip of the test data as pictures (chroma neutral).
std::vector<Picture> ReadClip(const std::string& relative) {
  const auto clip = fitool::Y4mClip::Open(frameinterp::testing::TestdataPath(relative),
                                          fitool::Y4mClip::Access::kRandom);
  std::vector<Picture> pictures;
  for (int64_t i = 0; i < *clip->count(); ++i) {
    pictures.push_back(clip->Frame(i));
    std::fill(pictures.back().u.begin(), pictures.back().u.end(), 128);
    std::fill(pictures.back().v.begin(), pictures.back().v.end(), 128);
  }
  return pictures;
}

TEST(Psnr, KnownValuesWithAllPlanesWeighingSamplesEqually) {
  const Picture a = Picture::Filled(16, 8, 100, 128);
  EXPECT_EQ(PsnrY(a, a), kInf);
  EXPECT_EQ(PsnrAll(a, a), kInf);
  // A uniform error of 1: 10·log10(255²) = 48.1308 dB; chroma does not count.
  EXPECT_NEAR(PsnrY(a, Picture::Filled(16, 8, 101, 60)), 48.1308, 1e-4);
  EXPECT_NEAR(PsnrY(a, Picture::Filled(16, 8, 90, 128)), 28.1308, 1e-4);
  // 128 luma and 64 chroma samples: an error of 2 on chroma only gives
  // MSE 4·64/192, an error on one luma sample MSE 9/192.
  EXPECT_NEAR(PsnrAll(a, Picture::Filled(16, 8, 100, 130)),
              10 * std::log10(255.0 * 255.0 / (4.0 * 64 / 192)), 1e-9);
  Picture b = a;
  b.y[5] = 103;
  EXPECT_NEAR(PsnrAll(a, b), 10 * std::log10(255.0 * 255.0 / (9.0 / 192)), 1e-9);
  EXPECT_NEAR(PsnrY(a, b), 10 * std::log10(255.0 * 255.0 / (9.0 / 128)), 1e-9);
  Picture c = a;
  c.v.back() = 0;  // one chroma sample at the end of the last plane
  EXPECT_LT(PsnrAll(a, c), kInf);
}

TEST(RealFootage, SsimMatchesADirectWindowByWindowEvaluation) {
  // Reference values from a direct evaluation of the same definition: the
  // full 11×11 weighted sums at each of the 70×34 window positions.
  const auto frames = ReadClip("clips/RTn23_80x44_15fps.y4m");
  ASSERT_EQ(frames.size(), 15u);
  EXPECT_NEAR(SsimY(frames[0], frames[1]), 0.9937803841315416, 1e-9);
  EXPECT_NEAR(SsimY(frames[0], frames[7]), 0.3726062899209526, 1e-9);
}

}  // namespace
