// Pictures laid out in rows of labelled panels in one PNG, so that a person
// can look at interpolated frames instead of reading numbers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "picture.h"

namespace fitool {

// The picture as 8-bit RGB (3 bytes per pixel, rows top to bottom): BT.601
// limited range (Y 16…235, chroma 16…240), each pixel taking the chroma sample
// of its 2×2 block, results rounded and clipped to 0…255.
std::vector<uint8_t> PictureToRgb(const Picture& p);

struct Panel {
  // Lines drawn above the picture; letters are shown in upper case.
  std::vector<std::string> label;
  // Null: the panel's place stays empty.
  const Picture* picture = nullptr;
  // When set (of the picture's size), the panel shows |Y − reference Y| × 4,
  // clipped, in grey instead of the picture: black where the two agree,
  // bright where they differ.
  const Picture* reference = nullptr;
};

// Writes the rows of panels, top to bottom and each left to right, as one
// compressed PNG to `file`; every column is as wide as its widest panel.
// A panel wider than `max_panel_width` (when above 0) is scaled down to that
// width, each pixel the mean of the pixels it covers, so that large pictures
// stay readable side by side. Returns false with the reason in *error (if not
// null) on a missing or malformed picture or a write failure.
bool WriteSnapshot(std::FILE* file, const std::vector<std::vector<Panel>>& rows,
                   std::string* error, int max_panel_width = 0);

}  // namespace fitool
