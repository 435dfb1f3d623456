#include "upscale.h"

#include <algorithm>
#include <cmath>

namespace frameinterp::testing {

Plane upscale(const Plane& in, int32_t factor) {
  Plane out(in.width * factor, in.height * factor, in.width * factor);
  for (int32_t y = 0; y < out.height; ++y) {
    const double sy = std::max(0.0, (y + 0.5) / factor - 0.5);
    const int32_t y0 = std::min(static_cast<int32_t>(sy), in.height - 1);
    const int32_t y1 = std::min(y0 + 1, in.height - 1);
    const double fy = sy - y0;
    for (int32_t x = 0; x < out.width; ++x) {
      const double sx = std::max(0.0, (x + 0.5) / factor - 0.5);
      const int32_t x0 = std::min(static_cast<int32_t>(sx), in.width - 1);
      const int32_t x1 = std::min(x0 + 1, in.width - 1);
      const double fx = sx - x0;
      const double top = in.at(x0, y0) * (1 - fx) + in.at(x1, y0) * fx;
      const double bottom = in.at(x0, y1) * (1 - fx) + in.at(x1, y1) * fx;
      out.at(x, y) = static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
    }
  }
  return out;
}

}  // namespace frameinterp::testing
