// Host pictures for the motion source's tests: built from I420 bytes in any of
// the three layouts the source handles, and read back plane by plane.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "frame_source.h"
#include "standin/media.h"

namespace motiontest {

// An I420 picture: Y (w x h), then U and V ((w / 2) x (h / 2)); w and h even.
struct I420 {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bytes;

  I420(int32_t w, int32_t h, uint8_t luma = 0, uint8_t chroma = 128)
      : width(w), height(h), bytes(static_cast<size_t>(w) * h * 3 / 2, chroma) {
    std::memset(bytes.data(), luma, static_cast<size_t>(w) * h);
  }
  uint8_t& y(int32_t x, int32_t r) { return bytes[static_cast<size_t>(r) * width + x]; }
  uint8_t& u(int32_t x, int32_t r) {
    return bytes[static_cast<size_t>(width) * height + static_cast<size_t>(r) * (width / 2) + x];
  }
  uint8_t& v(int32_t x, int32_t r) {
    return bytes[static_cast<size_t>(width) * height * 5 / 4 + static_cast<size_t>(r) * (width / 2) + x];
  }
};

// Format 1 as it is; 6 with U and V interleaved; any other code as 4-byte
// pixels (Y, U, V, 255), the chroma of each 2 x 2 group repeated.
inline std::shared_ptr<standin::CpuBuffer> HostPicture(I420 in, uint32_t format) {
  auto picture = standin::MakePicture(format, static_cast<uint32_t>(in.width),
                                      static_cast<uint32_t>(in.height));
  for (int32_t r = 0; r < in.height; ++r) {
    for (int32_t x = 0; x < in.width; ++x) {
      const uint8_t y = in.y(x, r), u = in.u(x / 2, r / 2), v = in.v(x / 2, r / 2);
      if (format == 1) {
        picture->plane(0)[r * in.width + x] = y;
        picture->plane(1)[(r / 2) * (in.width / 2) + x / 2] = u;
        picture->plane(2)[(r / 2) * (in.width / 2) + x / 2] = v;
      } else if (format == 6) {
        picture->plane(0)[r * in.width + x] = y;
        picture->plane(1)[(r / 2) * in.width + (x / 2) * 2] = u;
        picture->plane(1)[(r / 2) * in.width + (x / 2) * 2 + 1] = v;
      } else {
        uint8_t* px = picture->plane(0) + (static_cast<size_t>(r) * in.width + x) * 4;
        px[0] = y;
        px[1] = u;
        px[2] = v;
        px[3] = 255;
      }
    }
  }
  return picture;
}

// Every plane of the sample's picture, in the stand-in's layout.
inline std::vector<std::vector<uint8_t>> Planes(const frameinterp::SamplePtr& sample) {
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  sample->GetBuffer(&buffer, 0, 0);
  auto* cpu = dynamic_cast<standin::CpuBuffer*>(buffer.get());
  std::vector<std::vector<uint8_t>> planes;
  for (int p = 0; cpu && p < cpu->layout().plane_count; ++p) {
    planes.emplace_back(cpu->plane(p), cpu->plane(p) + cpu->layout().PlaneBytes(p));
  }
  return planes;
}

inline std::vector<std::vector<uint8_t>> Planes(const std::shared_ptr<avcore::IMediaBuffer>& b) {
  return Planes(standin::MakeSample(b, 0, 0));
}

}  // namespace motiontest
