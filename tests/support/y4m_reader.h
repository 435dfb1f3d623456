// Reads the luma planes of a YUV4MPEG2 file of 8-bit 4:2:0 frames.
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

// Reads up to max_frames frames; empty `frames` when the file cannot be read.
Y4MLuma read_y4m_luma(const std::string& path, int32_t max_frames);

}  // namespace frameinterp::testing
