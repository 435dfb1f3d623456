// Reads a PNG file back through libpng, as 8-bit RGB, to check what the
// snapshots wrote.
#pragma once

#include <png.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "utf8_path.h"

struct DecodedPng {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// nullopt when the file (a UTF-8 path) is not a PNG libpng can read.
inline std::optional<DecodedPng> ReadPng(const std::string& path) {
  std::ifstream in(fitool::Utf8Path(path), std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  DecodedPng png{static_cast<int>(image.width), static_cast<int>(image.height), {}};
  png.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, png.rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return png;
}
