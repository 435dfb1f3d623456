#include "standin/plane_layout.h"

namespace standin {

PictureLayout LayoutFor(uint32_t format, uint32_t width, uint32_t height) {
  const uint32_t half_w = width / 2 + width % 2;
  const uint32_t half_h = height / 2 + height % 2;
  PictureLayout layout{};
  switch (format) {
    case 1:
      layout.plane_count = 3;
      layout.planes[0] = {width, height};
      layout.planes[1] = {half_w, half_h};
      layout.planes[2] = {half_w, half_h};
      break;
    case 6:
      layout.plane_count = 2;
      layout.planes[0] = {width, height};
      layout.planes[1] = {2 * half_w, half_h};
      break;
    default:
      layout.plane_count = 1;
      layout.planes[0] = {4 * width, height};
      break;
  }
  return layout;
}

}  // namespace standin
