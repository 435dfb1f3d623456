// The YUV4MPEG2 stream header: parsing with a precise reason for every
// rejection, and the output header that keeps the input's tokens.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "rational.h"

namespace fitool {

// Largest accepted width or height.
inline constexpr int kMaxPictureSide = 16384;

struct Y4mHeader {
  int width = 0;
  int height = 0;
  Rational rate;
  // The I token says the frames hold interlaced fields (It, Ib, Im).
  bool interlaced = false;
  // Every token after "YUV4MPEG2", in order, as written.
  std::vector<std::string> tokens;

  // The header line of the output, newline included: the F token replaced by
  // `rate` and an interlacing token by Ip, since the frames are converted
  // as progressive pictures.
  std::string LineWithRate(Rational output_rate) const;
  // Bytes of one frame's picture: Y, then U and V of (width + 1)/2 x
  // (height + 1)/2 samples each.
  size_t FrameBytes() const;
};

// Parses a header line (without its newline). Accepts 8-bit 4:2:0 only (C420,
// C420jpeg, C420paldv, C420mpeg2 or no C token) with positive sizes and a
// usable F num:den. On failure returns nullopt with the reason in *error;
// when the user can convert the clip into what is accepted, the reason ends
// with how, for example with ffmpeg.
std::optional<Y4mHeader> ParseY4mHeader(const std::string& line, std::string* error);

}  // namespace fitool
