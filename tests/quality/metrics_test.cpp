#include "quality/metrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "y4m_clip.h"

namespace {

using fitool::Picture;
using fitool::PsnrAll;
using fitool::PsnrY;
using fitool::SsimY;

constexpr double kInf = std::numeric_limits<double>::infinity();

// A picture with detail everywhere: a smooth two-dimensional wave plus a
// fixed pseudo-random grain, luma in 16…235.
Picture Textured(int w, int h, uint32_t seed = 1) {
  Picture p = Picture::Filled(w, h, 0, 128);
  uint32_t state = seed;
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      state = state * 1664525u + 1013904223u;
      const double wave = 80 * std::sin(0.35 * c + seed) * std::cos(0.27 * r);
      p.y[static_cast<size_t>(r) * w + c] = static_cast<uint8_t>(std::lround(118 + wave) + (state >> 28));
    }
  }
  return p;
}

// a shifted right by one pixel, the first column repeated.
Picture ShiftedRight(const Picture& a) {
  Picture b = a;
  for (int r = 0; r < a.height; ++r) {
    for (int c = 1; c < a.width; ++c) b.y[static_cast<size_t>(r) * a.width + c] = a.y[static_cast<size_t>(r) * a.width + c - 1];
  }
  return b;
}

// SSIM of two flat pictures: the structure term is 1 and only the means count.
double FlatSsim(double m1, double m2) {
  const double c1 = 0.01 * 255 * 0.01 * 255;
  return (2 * m1 * m2 + c1) / (m1 * m1 + m2 * m2 + c1);
}

TEST(Psnr, KnownValues) {
  const Picture a = Picture::Filled(16, 8, 100, 128);
  EXPECT_EQ(PsnrY(a, a), kInf);
  EXPECT_EQ(PsnrAll(a, a), kInf);
  // A uniform error of 1: 10·log10(255²) = 48.1308 dB.
  EXPECT_NEAR(PsnrY(a, Picture::Filled(16, 8, 101, 128)), 48.1308, 1e-4);
  EXPECT_NEAR(PsnrY(a, Picture::Filled(16, 8, 90, 128)), 28.1308, 1e-4);
  // Chroma does not count for luma PSNR.
  EXPECT_EQ(PsnrY(a, Picture::Filled(16, 8, 100, 60)), kInf);
}

TEST(Psnr, AllPlanesWeighSamplesEqually) {
  // 128 luma and 64 chroma samples: an error of 2 on chroma only gives
  // MSE 4·64/192, an error on one luma sample MSE 9/192.
  const Picture a = Picture::Filled(16, 8, 100, 128);
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

TEST(Psnr, MismatchedSizesThrow) {
  EXPECT_THROW(PsnrY(Picture::Filled(16, 8, 0, 0), Picture::Filled(8, 16, 0, 0)), std::invalid_argument);
  EXPECT_THROW(SsimY(Picture::Filled(32, 32, 0, 0), Picture::Filled(32, 30, 0, 0)), std::invalid_argument);
}

TEST(Ssim, FlatPicturesFollowTheLuminanceTerm) {
  // Large pictures (many windows) and ones smaller than the window alike.
  for (const int size : {40, 8}) {
    const Picture a = Picture::Filled(size, size, 50, 128);
    const Picture b = Picture::Filled(size, size, 150, 128);
    EXPECT_NEAR(SsimY(a, b), FlatSsim(50, 150), 1e-9) << size;
    EXPECT_NEAR(SsimY(a, a), 1.0, 1e-12) << size;
  }
}

TEST(Ssim, IdenticalIsOneNoiseAndShiftLowerAndSymmetric) {
  const Picture a = Textured(64, 48);
  EXPECT_NEAR(SsimY(a, a), 1.0, 1e-12);

  Picture noisy = a;
  uint32_t state = 7;
  for (uint8_t& s : noisy.y) {
    state = state * 1664525u + 1013904223u;
    s = static_cast<uint8_t>(std::clamp(int{s} + static_cast<int>(state >> 28) - 8, 0, 255));
  }
  const Picture shifted = ShiftedRight(a);
  const double noise = SsimY(a, noisy), shift = SsimY(a, shifted);
  EXPECT_LT(noise, 0.99);
  EXPECT_GT(noise, 0.3);
  EXPECT_LT(shift, 0.99);
  EXPECT_NEAR(SsimY(noisy, a), noise, 1e-12);
  EXPECT_NEAR(SsimY(shifted, a), shift, 1e-12);
  // Unrelated content scores far lower than a small disturbance.
  EXPECT_LT(SsimY(a, Textured(64, 48, 99)), noise);
}

TEST(RealFootage, BlendOfNeighboursMatchesTheDatasetNotes) {
  // Middlebury Dimetrodon: the rounded average of frame10 and frame11
  // against the true middle frame gives 34.8 dB luma PSNR.
  const auto triplet = ReadY4m(TestClip("middlebury/Dimetrodon/Dimetrodon_triplet.y4m"));
  ASSERT_EQ(triplet.size(), 3u);
  Picture blend = triplet[0];
  for (size_t i = 0; i < blend.y.size(); ++i) {
    blend.y[i] = static_cast<uint8_t>((triplet[0].y[i] + triplet[2].y[i] + 1) / 2);
  }
  EXPECT_NEAR(PsnrY(blend, triplet[1]), 34.8, 0.05);
  EXPECT_GT(SsimY(blend, triplet[1]), SsimY(triplet[0], triplet[1]));
}

TEST(RealFootage, SsimMatchesADirectWindowByWindowEvaluation) {
  // Reference values from a direct evaluation of the same definition: the
  // full 11×11 weighted sums at each of the 70×34 window positions.
  const auto frames = ReadY4m(TestClip("clips/RTn23_80x44_15fps.y4m"));
  ASSERT_EQ(frames.size(), 15u);
  EXPECT_NEAR(SsimY(frames[0], frames[1]), 0.9937803841315416, 1e-9);
  EXPECT_NEAR(SsimY(frames[0], frames[7]), 0.3726062899209526, 1e-9);
}

TEST(RealFootage, ConsecutiveFramesScorePlausibly) {
  const auto frames = ReadY4m(TestClip("clips/cars_320x240_30fps.y4m"));
  ASSERT_EQ(frames.size(), 30u);
  for (size_t i = 1; i < frames.size(); ++i) {
    const double psnr = PsnrY(frames[i - 1], frames[i]);
    EXPECT_GT(psnr, 18) << i;
    EXPECT_LT(psnr, 30) << i;
    EXPECT_GE(PsnrAll(frames[i - 1], frames[i]), psnr) << i;  // chroma changes less than luma
    const double ssim = SsimY(frames[i - 1], frames[i]);
    EXPECT_GT(ssim, 0.4) << i;
    EXPECT_LT(ssim, 0.98) << i;
  }
}

}  // namespace
