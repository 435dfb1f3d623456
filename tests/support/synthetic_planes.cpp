#include "synthetic_planes.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace frameinterp::testing {

namespace {

// One pass of a (2r + 1)-tap box filter along rows (dx = 1) or columns,
// repeating the edge samples.
std::vector<double> box_pass(const std::vector<double>& in, int32_t w, int32_t h, int32_t r,
                             bool along_rows) {
  std::vector<double> out(in.size());
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      double sum = 0;
      for (int32_t k = -r; k <= r; ++k) {
        const int32_t sx = along_rows ? std::clamp(x + k, 0, w - 1) : x;
        const int32_t sy = along_rows ? y : std::clamp(y + k, 0, h - 1);
        sum += in[static_cast<size_t>(sy) * w + sx];
      }
      out[static_cast<size_t>(y) * w + x] = sum / (2 * r + 1);
    }
  }
  return out;
}

}  // namespace

Plane smooth_texture(int32_t width, int32_t height, int32_t stride) {
  // Random noise blurred three times by 9-tap boxes (close to a Gaussian of
  // sigma 4.5), then stretched to the 8-bit range.
  std::mt19937 rng(12345);
  std::vector<double> field(static_cast<size_t>(width) * height);
  for (double& v : field) {
    v = static_cast<double>(rng() & 0xFFFF);
  }
  for (int pass = 0; pass < 3; ++pass) {
    field = box_pass(field, width, height, 4, true);
    field = box_pass(field, width, height, 4, false);
  }
  const auto [lo, hi] = std::minmax_element(field.begin(), field.end());
  const double scale = 239.0 / (*hi - *lo);
  Plane p(width, height, stride);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      p.at(x, y) = static_cast<uint8_t>(
          std::lround(8.0 + (field[static_cast<size_t>(y) * width + x] - *lo) * scale));
    }
  }
  return p;
}

Plane random_plane(int32_t width, int32_t height, int32_t stride, uint32_t seed) {
  Plane p(width, height, stride);
  std::mt19937 rng(seed);
  for (uint8_t& v : p.px) {
    v = static_cast<uint8_t>(rng() & 0xFF);
  }
  return p;
}

Plane shifted(const Plane& in, int32_t dx, int32_t dy) {
  Plane out(in.width, in.height, in.stride);
  for (int32_t y = 0; y < in.height; ++y) {
    for (int32_t x = 0; x < in.width; ++x) {
      out.at(x, y) = in.at(std::clamp(x - dx, 0, in.width - 1), std::clamp(y - dy, 0, in.height - 1));
    }
  }
  return out;
}

}  // namespace frameinterp::testing
