// Host pictures for the motion source's tests: I420 pictures made from packed
// bytes, and read back plane by plane.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "frame_source.h"
#include "standin/media.h"

namespace motiontest {

// A format-1 picture of w x h (both even) holding `bytes`: Y (w x h), then U
// and V ((w / 2) x (h / 2)), each plane packed.
inline std::shared_ptr<standin::CpuBuffer> HostPicture(int32_t w, int32_t h,
                                                       const std::vector<uint8_t>& bytes) {
  auto picture = standin::MakePicture(1, static_cast<uint32_t>(w), static_cast<uint32_t>(h));
  auto from = bytes.begin();
  for (int p = 0; p < 3; ++p) {
    const auto n = static_cast<std::ptrdiff_t>(picture->layout().PlaneBytes(p));
    std::copy(from, from + n, picture->plane(p));
    from += n;
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
