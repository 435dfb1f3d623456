// Reads a whole YUV4MPEG2 file of 8-bit 4:2:0 frames (Y, U and V planes,
// chroma at half width and half height) with its frame rate, for tests that
// run real footage through the module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frameinterp::testing {

struct Y4MFrame {
  std::vector<uint8_t> y;  // width x height
  std::vector<uint8_t> u;  // (width / 2) x (height / 2)
  std::vector<uint8_t> v;
};

struct Y4MClip {
  int32_t width = 0;
  int32_t height = 0;
  int64_t rate_num = 0;
  int64_t rate_den = 0;
  std::vector<Y4MFrame> frames;
};

// Reads up to max_frames frames. False, with a message in *error, when the
// file cannot be read, its header lacks the size or the rate, its colour
// format is not 4:2:0, its size is odd, or a frame is cut short.
bool ReadY4MClip(const std::string& path, int32_t max_frames, Y4MClip* clip, std::string* error);

}  // namespace frameinterp::testing
