// Pictures laid side by side in one PNG, each under a text label, so that a
// person can look at interpolated frames instead of reading numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture.h"

namespace fitool {

// The picture as 8-bit RGB (3 bytes per pixel, rows top to bottom): BT.601
// limited range (Y 16…235, chroma 16…240), each pixel taking the chroma sample
// of its 2×2 block, results rounded and clipped to 0…255.
std::vector<uint8_t> PictureToRgb(const Picture& p);

struct Panel {
  const Picture* picture;
  std::string label;  // drawn above the picture; letters are shown in upper case
};

// Writes the panels left to right into one PNG at `path`. When both error
// references are given (same size), one more panel shows |a − b| of luma ×4,
// clipped, in grey: black where they agree, bright where they differ.
// Returns false and sets `error` (if not null) on bad input or a write failure.
bool WriteSnapshot(const std::string& path, const std::vector<Panel>& panels,
                   const Picture* error_reference_a, const Picture* error_reference_b,
                   std::string* error);

}  // namespace fitool
