#include <algorithm>
#include <cmath>

#include "snapshot.h"

namespace fitool {
namespace {

uint8_t ClipToByte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

std::vector<uint8_t> PictureToRgb(const Picture& p) {
  // BT.601 (Kr 0.299, Kb 0.114) on limited range: luma scaled by 255/219,
  // chroma by 255/224 times the matrix terms.
  constexpr double kLuma = 255.0 / 219.0;
  constexpr double kChroma = 255.0 / 224.0;
  constexpr double kRv = 1.402 * kChroma;
  constexpr double kGu = -1.772 * 0.114 / 0.587 * kChroma;
  constexpr double kGv = -1.402 * 0.299 / 0.587 * kChroma;
  constexpr double kBu = 1.772 * kChroma;

  std::vector<uint8_t> rgb(static_cast<size_t>(p.width) * p.height * 3);
  const int cw = p.chroma_width();
  for (int r = 0; r < p.height; ++r) {
    for (int c = 0; c < p.width; ++c) {
      const size_t ci = static_cast<size_t>(r / 2) * cw + c / 2;
      const double y = kLuma * (p.y[static_cast<size_t>(r) * p.width + c] - 16);
      const double u = p.u[ci] - 128.0, v = p.v[ci] - 128.0;
      uint8_t* px = &rgb[(static_cast<size_t>(r) * p.width + c) * 3];
      px[0] = ClipToByte(y + kRv * v);
      px[1] = ClipToByte(y + kGu * u + kGv * v);
      px[2] = ClipToByte(y + kBu * u);
    }
  }
  return rgb;
}

}  // namespace fitool
