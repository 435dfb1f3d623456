#include "metrics.h"

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace fitool {
namespace {

void RequireSameSize(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height || a.y.size() != b.y.size() ||
      a.u.size() != b.u.size() || a.v.size() != b.v.size()) {
    throw std::invalid_argument("pictures of different sizes cannot be compared");
  }
}

// Sum of squared differences; at most 255² per sample, exact in 64 bits.
uint64_t SquaredError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  uint64_t sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int d = int{a[i]} - int{b[i]};
    sum += static_cast<uint64_t>(d * d);
  }
  return sum;
}

double PsnrFromError(uint64_t squared_error, size_t samples) {
  if (squared_error == 0 || samples == 0) return std::numeric_limits<double>::infinity();
  const double mse = static_cast<double>(squared_error) / static_cast<double>(samples);
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

constexpr int kWindow = 11;
constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);

double SsimOf(double mean_a, double mean_b, double var_a, double var_b, double cov) {
  return ((2 * mean_a * mean_b + kC1) * (2 * cov + kC2)) /
         ((mean_a * mean_a + mean_b * mean_b + kC1) * (var_a + var_b + kC2));
}

// The 1-D Gaussian (σ = 1.5) whose outer product is the normalised 11×11 window.
std::array<double, kWindow> GaussianTaps() {
  std::array<double, kWindow> taps{};
  double sum = 0;
  for (int i = 0; i < kWindow; ++i) {
    const double x = i - kWindow / 2;
    taps[i] = std::exp(-x * x / (2 * 1.5 * 1.5));
    sum += taps[i];
  }
  for (double& t : taps) t /= sum;
  return taps;
}

// Pictures smaller than the window: one window with equal weights.
double WholePictureSsim(const Picture& a, const Picture& b) {
  const double n = static_cast<double>(a.y.size());
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  for (size_t i = 0; i < a.y.size(); ++i) {
    const double x = a.y[i], y = b.y[i];
    sa += x;
    sb += y;
    saa += x * x;
    sbb += y * y;
    sab += x * y;
  }
  const double ma = sa / n, mb = sb / n;
  return SsimOf(ma, mb, saa / n - ma * ma, sbb / n - mb * mb, sab / n - ma * mb);
}

}  // namespace

double PsnrY(const Picture& a, const Picture& b) {
  RequireSameSize(a, b);
  return PsnrFromError(SquaredError(a.y, b.y), a.y.size());
}

double PsnrAll(const Picture& a, const Picture& b) {
  RequireSameSize(a, b);
  const uint64_t error = SquaredError(a.y, b.y) + SquaredError(a.u, b.u) + SquaredError(a.v, b.v);
  return PsnrFromError(error, a.y.size() + a.u.size() + a.v.size());
}

double SsimY(const Picture& a, const Picture& b) {
  RequireSameSize(a, b);
  const int w = a.width, h = a.height;
  if (w <= 0 || h <= 0) throw std::invalid_argument("SSIM of an empty picture");
  if (w < kWindow || h < kWindow) return WholePictureSsim(a, b);

  // Separable weighting: first along rows into the window-position columns
  // (ow of them), then down the columns. The five running statistics are
  // x, y, x², y² and xy, each a weighted mean of values in 0…65025.
  const std::array<double, kWindow> taps = GaussianTaps();
  const int ow = w - kWindow + 1, oh = h - kWindow + 1;
  constexpr int kStats = 5;
  std::vector<double> rows(static_cast<size_t>(h) * ow * kStats);
  for (int r = 0; r < h; ++r) {
    const uint8_t* pa = &a.y[static_cast<size_t>(r) * w];
    const uint8_t* pb = &b.y[static_cast<size_t>(r) * w];
    double* out = &rows[static_cast<size_t>(r) * ow * kStats];
    for (int c = 0; c < ow; ++c) {
      double s[kStats] = {};
      for (int k = 0; k < kWindow; ++k) {
        const double x = pa[c + k], y = pb[c + k], t = taps[k];
        s[0] += t * x;
        s[1] += t * y;
        s[2] += t * x * x;
        s[3] += t * y * y;
        s[4] += t * x * y;
      }
      for (int i = 0; i < kStats; ++i) out[c * kStats + i] = s[i];
    }
  }
  double total = 0;
  for (int r = 0; r < oh; ++r) {
    for (int c = 0; c < ow; ++c) {
      double s[kStats] = {};
      for (int k = 0; k < kWindow; ++k) {
        const double* in = &rows[(static_cast<size_t>(r + k) * ow + c) * kStats];
        for (int i = 0; i < kStats; ++i) s[i] += taps[k] * in[i];
      }
      total += SsimOf(s[0], s[1], s[2] - s[0] * s[0], s[3] - s[1] * s[1], s[4] - s[0] * s[1]);
    }
  }
  return total / (static_cast<double>(ow) * oh);
}

}  // namespace fitool
