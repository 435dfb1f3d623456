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
  // Every token after "YUV4MPEG2", in order, as written.
  std::vector<std::string> tokens;

  // The header line, newline included, with the F token replaced by `rate`.
  std::string LineWithRate(Rational output_rate) const;
  // Bytes of one frame's picture: Y, then U and V at half width and height.
  size_t FrameBytes() const;
};

// Parses a header line (without its newline). Accepts 8-bit 4:2:0 only (C420,
// C420jpeg, C420paldv, C420mpeg2 or no C token) with even positive sizes and
// a usable F num:den. On failure returns nullopt with the reason in *error.
std::optional<Y4mHeader> ParseY4mHeader(const std::string& line, std::string* error);

}  // namespace fitool
