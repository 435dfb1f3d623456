// Reads YUV4MPEG2 files of 8-bit 4:2:0 frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frameinterp::testing {

struct Y4MLuma {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<std::vector<uint8_t>> frames;  // width x height bytes each, stride = width
};

// Whole I420 frames: Y (width x height), U and V ((width / 2) x (height / 2)),
// each plane packed without padding.
struct Y4MVideo {
  int32_t width = 0;
  int32_t height = 0;
  int64_t rate_num = 0;  // frames per second rate_num / rate_den, from the header
  int64_t rate_den = 0;
  std::vector<std::vector<uint8_t>> frames;
};

// Reads up to max_frames frames; empty `frames` when the file cannot be read.
Y4MVideo read_y4m(const std::string& path, int32_t max_frames);

// The luma planes of read_y4m.
Y4MLuma read_y4m_luma(const std::string& path, int32_t max_frames);

}  // namespace frameinterp::testing
