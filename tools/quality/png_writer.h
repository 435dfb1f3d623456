// A self-contained PNG writer for 8-bit RGB pictures (no image or compression
// library): the image data is a zlib stream of uncompressed deflate blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fitool {

// Writes `rgb` (width × height pixels, 3 bytes each, rows top to bottom) to
// `path`. On failure returns false, leaves no file behind and, if `error` is
// not null, sets it to one line naming the file and the problem.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error);

}  // namespace fitool
