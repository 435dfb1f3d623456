#include "metrics.h"

#include <algorithm>
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

  // Separable weighting, one row of window positions at a time: first down
  // the 11 picture rows under it, for every column, then along the row. The
  // five statistics are weighted means of x, y, x², y² and xy (0…65025).
  const std::array<double, kWindow> taps = GaussianTaps();
  const int ow = w - kWindow + 1, oh = h - kWindow + 1;
  constexpr int kStats = 5;
  std::array<std::vector<double>, kStats> down, along;
  for (std::vector<double>& v : down) v.resize(static_cast<size_t>(w));
  for (std::vector<double>& v : along) v.resize(static_cast<size_t>(ow));
  double total = 0;
  for (int r = 0; r < oh; ++r) {
    for (std::vector<double>& v : down) std::fill(v.begin(), v.end(), 0.0);
    for (int k = 0; k < kWindow; ++k) {
      const uint8_t* pa = &a.y[static_cast<size_t>(r + k) * w];
      const uint8_t* pb = &b.y[static_cast<size_t>(r + k) * w];
      const double t = taps[k];
      for (int c = 0; c < w; ++c) {
        const int x = pa[c], y = pb[c];
        down[0][c] += t * x;
        down[1][c] += t * y;
        down[2][c] += t * (x * x);
        down[3][c] += t * (y * y);
        down[4][c] += t * (x * y);
      }
    }
    for (int i = 0; i < kStats; ++i) {
      std::fill(along[i].begin(), along[i].end(), 0.0);
      for (int k = 0; k < kWindow; ++k) {
        const double* in = &down[i][static_cast<size_t>(k)];
        for (int c = 0; c < ow; ++c) along[i][c] += taps[k] * in[c];
      }
    }
    for (int c = 0; c < ow; ++c) {
      const double ma = along[0][c], mb = along[1][c];
      total += SsimOf(ma, mb, along[2][c] - ma * ma, along[3][c] - mb * mb, along[4][c] - ma * mb);
    }
  }
  return total / (static_cast<double>(ow) * oh);
}

}  // namespace fitool
