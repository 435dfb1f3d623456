// How the stand-in media library lays out a CPU picture by format code:
//   1: three planes Y, U, V; chroma at half width and half height (rounded up);
//   6: Y plus one interleaved UV plane at full byte width and half height;
//   any other code: one plane of 4 bytes per pixel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/api.h"

namespace standin {

struct PlaneGeometry {
  uint32_t row_bytes;  // bytes of picture in one row
  uint32_t rows;
};

struct PictureLayout {
  int plane_count;
  PlaneGeometry planes[4];

  size_t PlaneBytes(int plane) const {
    return static_cast<size_t>(planes[plane].row_bytes) * planes[plane].rows;
  }
};

HOST_MEDIA_API PictureLayout LayoutFor(uint32_t format, uint32_t width, uint32_t height);

}  // namespace standin
