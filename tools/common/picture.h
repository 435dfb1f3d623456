// An 8-bit 4:2:0 picture as the tools read, compare and write it: three
// packed planes Y (width x height), U and V ((width + 1)/2 x (height + 1)/2):
// at an odd size the last chroma column or row serves one pixel across or
// down, as in YUV4MPEG2 and the host's layouts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fitool {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> y;
  std::vector<uint8_t> u;
  std::vector<uint8_t> v;

  // A picture of the given size, every sample set to the given values.
  static Picture Filled(int w, int h, uint8_t luma, uint8_t chroma) {
    Picture p;
    p.width = w;
    p.height = h;
    p.y.assign(static_cast<size_t>(w) * h, luma);
    p.u.assign(static_cast<size_t>(p.chroma_width()) * p.chroma_height(), chroma);
    p.v.assign(p.u.size(), chroma);
    return p;
  }

  int chroma_width() const { return (width + 1) / 2; }
  int chroma_height() const { return (height + 1) / 2; }

  friend bool operator==(const Picture& a, const Picture& b) {
    return a.width == b.width && a.height == b.height && a.y == b.y && a.u == b.u && a.v == b.v;
  }
};

}  // namespace fitool
