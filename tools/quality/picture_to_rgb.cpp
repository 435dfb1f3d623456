#include "snapshot.h"
#include "yuv_to_rgb.h"

namespace fitool {

std::vector<uint8_t> PictureToRgb(const Picture& p) {
  std::vector<uint8_t> rgb(static_cast<size_t>(p.width) * p.height * 3);
  const int cw = p.chroma_width();
  for (int r = 0; r < p.height; ++r) {
    for (int c = 0; c < p.width; ++c) {
      const size_t ci = static_cast<size_t>(r / 2) * cw + c / 2;
      const Rgb colour = YuvToRgb(p.y[static_cast<size_t>(r) * p.width + c], p.u[ci], p.v[ci]);
      uint8_t* px = &rgb[(static_cast<size_t>(r) * p.width + c) * 3];
      px[0] = colour.r;
      px[1] = colour.g;
      px[2] = colour.b;
    }
  }
  return rgb;
}

}  // namespace fitool
